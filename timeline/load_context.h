// The state of one load and what the loader's files share about it. Internal
// to the loader: only timeline/loader.cpp and the files of its passes
// (directives, tag_passes, line_compose, templates) include it.
#pragma once

#include "platform/codepage.h"
#include "timeline/charset_guess.h"
#include "timeline/legacy_charset.h"
#include "timeline/load_report.h"
#include "timeline/script_filter.h"

#include <cstdint>

namespace lumivox {

// One buffer serves for reading: up to 4,095 bytes of data and a NUL.
constexpr uint32_t read_buffer_size = 4096;
constexpr uint32_t read_data_limit = read_buffer_size - 1;

// Where a template takes the lyric.
constexpr char placeholder[] = "%ILYX";
constexpr uint32_t placeholder_length = sizeof placeholder - 1;

// The state of one load, on the loader's stack.
struct LyricLoadContext {
    int32_t script = 0;           // non-zero: the file is a lyric script
    int32_t offset = 0;           // ms added to every time tag
    const char* suffix = nullptr; // into the template_prefix block: what follows each lyric
    char* ghost = nullptr;        // heap name of the ghost the file asks for
    double ratio = 1.0;           // every adjusted time is divided by it
    // Told of the first pass's lines and of the load's outcome; nullptr when
    // nobody listens.
    const LoadObserver* observer = nullptr;

    // The first pass's count of the entries the second pass can give: the
    // time tags of lines with a lyric. It sizes the table, which count (the
    // number of "]" in "[" lines) would oversize many times over; during the
    // second pass no line may stage beyond it, even if the file changed
    // since the first pass counted.
    int32_t slots = 0;
    // Set when the load cannot go on: an allocation failed, or the first
    // pass's bound outgrew a 32-bit count.
    bool failed = false;

    // The file's own template as written (heap), when a directive gave one
    // with "%ILYX"; the template is settled from it or the caller's once the
    // first pass has fixed the charset.
    char* own_template = nullptr;
    // Lines and the file's own template go through the script filter (the
    // user has not chosen to trust lyric scripts), read in the charset of
    // lead; both are set when the template is settled.
    bool filtered = false;
    LeadBytes lead = nullptr;

    // .lrc syntax: the last "[offset:N]" line's N, taken from every time
    // wherever the line stands (a positive offset makes lines come earlier).
    bool lrc = false;
    int32_t lrc_offset = 0;
    // The charset is told from the first pass's bytes unless a charset
    // directive names it or a UTF-8 byte-order mark says the file is UTF-8
    // (which leaves the trailer as it was, as before).
    bool detect_charset = false;
    bool charset_named = false;
    bool utf8_mark = false;
    CharsetGuess guess;
    // Set by the first pass when a line it read as it stands would read
    // otherwise converted (a directive or time tags beyond ASCII): a judged
    // file is then read again, converted.
    bool read_differs = false;
    // A judged file: every line is converted from this charset to UTF-8
    // before it is parsed, in the passes that follow the judgement.
    platform::Decoder* decoder = nullptr;
    LegacyCharset legacy = LegacyCharset::shift_jis;
};

} // namespace lumivox
