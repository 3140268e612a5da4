#include "timeline/lyric_source.h"

#include <algorithm>
#include <cstring>

namespace lumivox {

namespace {

int32_t read_text(LyricSource& source, char* out, uint32_t n) {
    size_t take = std::min<size_t>(source.length - source.position, n);
    std::memcpy(out, source.text + source.position, take);
    source.position += take;
    return static_cast<int32_t>(take);
}

int32_t read_raw(LyricSource& source, char* out, uint32_t n) {
    if (source.file == platform::no_file)
        return read_text(source, out, n);
    return platform::file_read(source.file, out, n);
}

// Keeps what is left of the raw bytes and reads more behind it; false when
// the read failed.
bool refill(LyricSource& source) {
    uint32_t kept = source.raw_end - source.raw_start;
    std::memmove(source.raw, source.raw + source.raw_start, kept);
    source.raw_start = 0;
    source.raw_end = kept;
    int32_t got = platform::file_read(source.file, source.raw + kept, utf16_raw_size - kept);
    if (got < 0)
        return false;
    if (got == 0)
        source.raw_ended = true;
    source.raw_end += static_cast<uint32_t>(got);
    return true;
}

// A character is converted whole: at least four raw bytes (a surrogate
// pair) are at hand unless the file has ended, and one that does not fit
// what is left of out waits in held for the next read.
int32_t read_utf16(LyricSource& source, char* out, uint32_t n) {
    uint32_t written = 0;
    while (written < n) {
        if (source.held_start < source.held_end) {
            out[written++] = source.held[source.held_start++];
            continue;
        }
        if (source.raw_end - source.raw_start < 4 && !source.raw_ended) {
            if (!refill(source))
                return -1;
            continue;
        }
        if (source.raw_start == source.raw_end)
            break;
        bool hold = n - written < utf8_char_max;
        char* to = hold ? source.held : out + written;
        uint32_t room = hold ? utf8_char_max : n - written;
        uint32_t consumed = 0;
        uint32_t made =
            utf16_to_utf8(source.raw + source.raw_start, source.raw_end - source.raw_start,
                          source.order, source.raw_ended, to, room, consumed);
        source.raw_start += consumed;
        if (hold) {
            source.held_start = 0;
            source.held_end = made;
        } else {
            written += made;
        }
        if (consumed == 0)
            break; // cannot happen with four bytes or the end at hand
    }
    return static_cast<int32_t>(written);
}

} // namespace

int32_t source_read(LyricSource& source, char* out, uint32_t n) {
    if (source.order != Utf16Order::none)
        return read_utf16(source, out, n);
    bool first = source.at_start;
    source.at_start = false;
    n = std::min(n, utf16_raw_size);
    int32_t got = read_raw(source, out, n);
    if (!first || source.file == platform::no_file)
        return got;
    // A mark that a short read cut is still a mark.
    while (got == 1 && n > 1) {
        int32_t more = read_raw(source, out + 1, n - 1);
        if (more < 0)
            return -1;
        if (more == 0)
            break;
        got += more;
    }
    if (got < 2)
        return got;
    source.order = utf16_order(out, static_cast<uint32_t>(got));
    if (source.order == Utf16Order::none)
        return got;
    // The mark goes; what the read gave behind it is the first raw piece.
    source.raw_start = 0;
    source.raw_end = static_cast<uint32_t>(got) - 2;
    std::memcpy(source.raw, out + 2, source.raw_end);
    return read_utf16(source, out, n);
}

bool source_rewind(LyricSource& source) {
    source.at_start = true;
    source.order = Utf16Order::none;
    source.raw_start = source.raw_end = 0;
    source.raw_ended = false;
    source.held_start = source.held_end = 0;
    if (source.file == platform::no_file) {
        source.position = 0;
        return true;
    }
    return platform::file_rewind(source.file);
}

void source_close(LyricSource& source) {
    if (source.file != platform::no_file)
        platform::file_close(source.file);
    source.file = platform::no_file;
}

} // namespace lumivox
