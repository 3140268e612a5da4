// What the loader reads lyric lines from, pass after pass: a file, or a text
// in memory such as the lyrics a track holds in its tags. Both are read in
// pieces into the loader's own buffer; a UTF-16 file is converted to UTF-8
// on the way, so that the loader only ever sees UTF-8 or the bytes as they
// stand.
#pragma once

#include "platform/file.h"
#include "timeline/utf16.h"

#include <cstddef>
#include <cstdint>

namespace lumivox {

// Room for the raw bytes of a UTF-16 file: at least one read of the loader.
constexpr uint32_t utf16_raw_size = 4096;

struct LyricSource {
    // A file (no_file for a text)...
    platform::FileHandle file = platform::no_file;
    // ...or a text of length bytes, read up to position.
    const char* text = nullptr;
    size_t length = 0;
    size_t position = 0;

    // Nothing read since the start or the last rewind: the first read looks
    // for a UTF-16 byte-order mark.
    bool at_start = true;
    // A UTF-16 file, once its mark was seen: raw bytes not yet converted,
    // whether the file has given all of them, and the UTF-8 bytes of a
    // character that did not fit the last read.
    Utf16Order order = Utf16Order::none;
    unsigned char raw[utf16_raw_size];
    uint32_t raw_start = 0;
    uint32_t raw_end = 0;
    bool raw_ended = false;
    char held[utf8_char_max];
    uint32_t held_start = 0;
    uint32_t held_end = 0;
};

// Reads up to n bytes (n at most utf16_raw_size) into out: the count (0 at
// the end), or -1 when the file could not be read. A file starting with a
// UTF-16 byte-order mark reads as UTF-8, without the mark.
int32_t source_read(LyricSource& source, char* out, uint32_t n);

// Back to the start for the next pass; false when the file cannot rewind.
bool source_rewind(LyricSource& source);

// Closes a file; nothing for a text.
void source_close(LyricSource& source);

// True when what the pass read so far is UTF-8 whatever it says: a UTF-16
// file converted, or a text (texts in memory are the host's, in UTF-8).
inline bool source_is_utf8(const LyricSource& source) {
    return source.order != Utf16Order::none || source.file == platform::no_file;
}

} // namespace lumivox
