#include "timeline/script_filter.h"

#include <cstring>

namespace lumivox {

namespace {

// What the argument of a bracket form may hold.
enum class Args {
    number,        // D
    signed_number, // D or -D
    number_list,   // D,D...
    image,         // D or D,wait
    line_break,    // half or D
    cursor,        // char,D or line,D
    font,          // anything but \ [ ] CR LF NUL (checked while finding the ']')
    position,      // P,P
    hex,           // [0x]hex digits
    entity,        // letters and digits, or #D
};

struct Line {
    const unsigned char* text;
    uint32_t end;
    LeadBytes lead;
};

bool is_break(unsigned char b) {
    return b == '\r' || b == '\n';
}
bool is_digit(unsigned char b) {
    return b >= '0' && b <= '9';
}
bool is_hex(unsigned char b) {
    return is_digit(b) || (b >= 'a' && b <= 'f') || (b >= 'A' && b <= 'F');
}
bool is_alnum(unsigned char b) {
    return is_digit(b) || ((b | 0x20) >= 'a' && (b | 0x20) <= 'z');
}

uint32_t char_length(const Line& line, uint32_t i) {
    return lumivox::char_length(reinterpret_cast<const char*>(line.text) + i, line.end - i,
                                line.lead);
}

// Parsers over [p, end): each moves p past what it read and says whether it
// read anything.
bool take(const unsigned char*& p, const unsigned char* end, char c) {
    if (p == end || *p != static_cast<unsigned char>(c))
        return false;
    ++p;
    return true;
}

bool take_word(const unsigned char*& p, const unsigned char* end, const char* word) {
    size_t n = std::strlen(word);
    if (static_cast<size_t>(end - p) < n || std::memcmp(p, word, n) != 0)
        return false;
    p += n;
    return true;
}

bool take_run(const unsigned char*& p, const unsigned char* end, bool (*member)(unsigned char)) {
    const unsigned char* start = p;
    while (p != end && member(*p))
        ++p;
    return p != start;
}

bool take_digits(const unsigned char*& p, const unsigned char* end) {
    return take_run(p, end, is_digit);
}

bool args_match(Args kind, const unsigned char* p, const unsigned char* end) {
    switch (kind) {
    case Args::number:
        return take_digits(p, end) && p == end;
    case Args::signed_number:
        take(p, end, '-');
        return take_digits(p, end) && p == end;
    case Args::number_list:
        do {
            if (!take_digits(p, end))
                return false;
        } while (take(p, end, ','));
        return p == end;
    case Args::image:
        return take_digits(p, end) && (p == end || (take_word(p, end, ",wait") && p == end));
    case Args::line_break:
        return (take_word(p, end, "half") || take_digits(p, end)) && p == end;
    case Args::cursor:
        return (take_word(p, end, "char,") || take_word(p, end, "line,")) && take_digits(p, end) &&
               p == end;
    case Args::font:
        return p != end;
    case Args::position:
        for (int i = 0; i < 2; ++i) {
            if (i == 1 && !take(p, end, ','))
                return false;
            take(p, end, '@');
            take(p, end, '-');
            if (!take_digits(p, end))
                return false;
        }
        return p == end;
    case Args::hex:
        if (!take_word(p, end, "0x"))
            take_word(p, end, "0X");
        return take_run(p, end, is_hex) && p == end;
    case Args::entity:
        if (take(p, end, '#'))
            return take_digits(p, end) && p == end;
        return take_run(p, end, is_alnum) && p == end;
    }
    return false;
}

// The end of a bracket form whose '[' is at open, or 0 when it is malformed.
// The ']' is looked for by characters, as the ghost reads them.
uint32_t bracket(const Line& line, uint32_t open, Args kind) {
    if (open >= line.end || line.text[open] != '[')
        return 0;
    for (uint32_t i = open + 1; i < line.end; i += char_length(line, i)) {
        unsigned char b = line.text[i];
        if (b == ']')
            return args_match(kind, line.text + open + 1, line.text + i) ? i + 1 : 0;
        if (b == '[' || b == '\\' || is_break(b) || b == '\0')
            return 0;
    }
    return 0;
}

// A tag whose bracket form is optional: at is just past its name.
uint32_t optional_bracket(const Line& line, uint32_t at, Args kind) {
    return at < line.end && line.text[at] == '[' ? bracket(line, at, kind) : at;
}

// A tag that takes one digit or a bracket form: at is just past its name.
uint32_t digit_or_bracket(const Line& line, uint32_t at, Args kind) {
    return at < line.end && is_digit(line.text[at]) ? at + 1 : bracket(line, at, kind);
}

// at is just past "\_".
uint32_t underscore_tag(const Line& line, uint32_t at) {
    if (at >= line.end)
        return 0;
    switch (line.text[at]) {
    case 'q':
        return at + 1;
    case 's':
        return optional_bracket(line, at + 1, Args::number_list);
    case 'w':
        return bracket(line, at + 1, Args::number);
    case 'l':
        return bracket(line, at + 1, Args::position);
    case 'u':
    case 'm':
        return bracket(line, at + 1, Args::hex);
    case '_':
        return at + 1 < line.end && line.text[at + 1] == 'w' ? bracket(line, at + 2, Args::number)
                                                             : 0;
    default:
        return 0;
    }
}

// The end of the kept tag whose backslash is at i, or 0 when none is kept.
uint32_t kept_tag_end(const Line& line, uint32_t i) {
    uint32_t at = i + 1;
    if (at >= line.end)
        return 0;
    switch (line.text[at]) {
    case '\\':
    case '%':
    case '0':
    case '1':
    case 'h':
    case 'u':
    case '4':
    case '5':
    case 'C':
    case 'e':
        return at + 1;
    case 'c':
        return optional_bracket(line, at + 1, Args::cursor);
    case 'n':
        return optional_bracket(line, at + 1, Args::line_break);
    case 'p':
        return digit_or_bracket(line, at + 1, Args::number);
    case 's':
    case 'b':
        return digit_or_bracket(line, at + 1, Args::signed_number);
    case 'i':
        return bracket(line, at + 1, Args::image);
    case 'w':
        return at + 1 < line.end && line.text[at + 1] >= '1' && line.text[at + 1] <= '9' ? at + 2
                                                                                         : 0;
    case 'f':
        return bracket(line, at + 1, Args::font);
    case '&':
        return bracket(line, at + 1, Args::entity);
    case '_':
        return underscore_tag(line, at + 1);
    default:
        return 0;
    }
}

} // namespace

uint32_t filter_lyric_script(const char* text, uint32_t length, LeadBytes lead, char* out) {
    const Line line{reinterpret_cast<const unsigned char*>(text), length, lead};
    uint32_t n = 0;
    uint32_t i = 0;
    while (i < length) {
        unsigned char b = line.text[i];
        if (b == '\\') {
            uint32_t end = kept_tag_end(line, i);
            if (end == 0) {
                out[n++] = '\\';
                out[n++] = '\\';
                ++i;
            } else {
                std::memcpy(out + n, text + i, end - i);
                n += end - i;
                i = end;
            }
        } else if (is_break(b)) {
            out[n++] = ' ';
            ++i;
        } else if (char_length(line, i) == 2) {
            out[n++] = text[i];
            out[n++] = text[i + 1];
            i += 2;
        } else {
            out[n++] = text[i];
            ++i;
            // A lead byte before a CR or LF gets that break's space.
            if (i == length && is_lead_byte(line.lead, static_cast<char>(b)))
                out[n++] = ' ';
        }
    }
    out[n] = '\0';
    return n;
}

} // namespace lumivox
