#include "timeline/lrc_syntax.h"

#include "base/host_api.h"
#include "base/text.h"
#include "timeline/timeline.h"

#include <cstring>

namespace lumivox {

namespace {

constexpr char offset_tag[] = "[offset:";
constexpr uint32_t offset_tag_length = sizeof offset_tag - 1;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// Reads from one to max digits at p (within available bytes) into value;
// the count read.
uint32_t read_digits(const char* p, uint32_t available, uint32_t max, int32_t& value) {
    uint32_t n = 0;
    value = 0;
    while (n < available && n < max && is_digit(p[n]))
        value = value * 10 + (p[n++] - '0');
    return n;
}

// The word stamp at p, within available bytes: its length, with its time in
// ms; 0 when p starts none.
uint32_t read_word_stamp(const char* p, uint32_t available, int32_t& time) {
    if (available == 0 || p[0] != '<')
        return 0;
    uint32_t at = 1;
    int32_t minutes = 0;
    int32_t seconds = 0;
    int32_t fraction = 0;
    uint32_t n = read_digits(p + at, available - at, 3, minutes);
    if (n == 0 || (at += n) >= available || p[at++] != ':')
        return 0;
    if (read_digits(p + at, available - at, 2, seconds) != 2)
        return 0;
    at += 2;
    if (at < available && p[at] == '.') {
        ++at;
        n = read_digits(p + at, available - at, 3, fraction);
        if (n == 0)
            return 0;
        at += n;
        fraction *= n == 1 ? 100 : n == 2 ? 10 : 1;
    }
    if (at >= available || p[at] != '>')
        return 0;
    time = minutes * 60000 + seconds * 1000 + fraction;
    return at + 1;
}

struct Writer {
    char* out;
    uint32_t size;
    uint32_t written = 0;
    bool full = false;
    bool dangling = false; // the last piece, unfiltered, ends in a lone unit

    // Room for n more bytes and the NUL; once something did not fit,
    // nothing more is written, so what stands is whole.
    bool room_for(uint32_t n) {
        if (!full && size - written > n)
            return true;
        full = true;
        return false;
    }
    void pad_dangling() {
        if (dangling && room_for(1))
            out[written++] = ' ';
        dangling = false;
    }
    // text runs on past n (into the stamp that ends the piece), so that a
    // unit reaching across the end shows.
    void piece(const char* text, uint32_t n, bool filtered, LeadBytes lead, bool& words) {
        if (n == 0)
            return;
        pad_dangling();
        if (filtered) {
            if (!room_for(2 * n))
                return;
            written += filter_lyric_script(text, n, lead, out + written);
        } else {
            if (!room_for(n))
                return;
            std::memcpy(out + written, text, n);
            written += n;
            dangling = whole_units_length(text, n, lead) != n;
        }
        words = true;
    }
    void wait(int64_t ms) {
        if (ms <= 0)
            return;
        pad_dangling();
        if (!room_for(wait_length_max))
            return;
        char* end =
            write_wait(out + written, static_cast<uint32_t>(ms > UINT32_MAX ? UINT32_MAX : ms));
        written = static_cast<uint32_t>(end - out);
    }
};

} // namespace

bool take_time_tag(const char*& p, int32_t& value) {
    constexpr int32_t no_time = INT32_MIN;
    if (*p != '[')
        return false;
    const char* close = p + 1;
    while (*close != ']' && *close != '\0' && *close != '\r' && *close != '\n')
        ++close;
    if (*close != ']')
        return false;
    int32_t time = parse_time_value(p + 1, no_time);
    if (time == no_time)
        return false;
    value = time;
    p = close + 1;
    return true;
}

bool read_lrc_offset(const char* line, int32_t& offset) {
    // Every "[" line comes here: most are told apart without the host.
    if (line[0] == '\0' || (line[1] | 0x20) != 'o' ||
        stricmp_utf8_max(line, offset_tag, offset_tag_length) != 0)
        return false;
    const char* p = line + offset_tag_length;
    while (is_blank(*p))
        ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    if (!is_digit(*p))
        return false;
    int64_t value = 0;
    for (; is_digit(*p); ++p) {
        value = value * 10 + (*p - '0');
        if (value > int64_t{INT32_MAX} + 1)
            return false;
    }
    while (is_blank(*p))
        ++p;
    if (*p != ']')
        return false;
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return false;
    offset = static_cast<int32_t>(value);
    return true;
}

uint32_t write_word_timed(const char* lyric, uint32_t length, int32_t line_time, bool filtered,
                          LeadBytes lead, char* out, uint32_t out_size, bool& words) {
    Writer writer{out, out_size};
    words = false;
    int64_t previous = line_time;
    uint32_t piece_start = 0;
    uint32_t i = 0;
    // By characters, so that a "<" that is the trail of a two-byte character
    // starts no stamp; where every byte is a character of its own, straight
    // to the next "<".
    while (i < length) {
        int32_t time = 0;
        uint32_t stamp = lyric[i] == '<' ? read_word_stamp(lyric + i, length - i, time) : 0;
        if (stamp == 0) {
            if (lead == nullptr) {
                const void* next = std::memchr(lyric + i + 1, '<', length - i - 1);
                i = next != nullptr ? static_cast<uint32_t>(static_cast<const char*>(next) - lyric)
                                    : length;
                continue;
            }
            auto next = static_cast<uint32_t>(next_char(lyric + i, lead) - lyric);
            i = next < length ? next : length;
            continue;
        }
        writer.piece(lyric + piece_start, i - piece_start, filtered, lead, words);
        writer.wait(int64_t{time} - previous);
        previous = time;
        i += stamp;
        piece_start = i;
    }
    writer.piece(lyric + piece_start, length - piece_start, filtered, lead, words);
    out[writer.written] = '\0';
    return writer.written;
}

} // namespace lumivox
