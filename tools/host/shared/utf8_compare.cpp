#include "tools/host/shared/utf8_compare.h"

namespace lumivox::player_text {

namespace {

constexpr Character no_character = {0, 0};

// What a lead byte says: the sequence's length, the code point bits it
// carries, and the smallest code point that needs that length (anything
// below is an overlong form). Length 0: the byte begins no sequence (a
// continuation byte, C0, C1, F5 to FF).
struct Lead {
    size_t length;
    uint32_t bits;
    uint32_t minimum;
};

Lead read_lead(unsigned char byte) {
    if (byte < 0x80)
        return {1, byte, 0};
    if (byte >= 0xC2 && byte <= 0xDF)
        return {2, byte & 0x1Fu, 0x80};
    if (byte >= 0xE0 && byte <= 0xEF)
        return {3, byte & 0x0Fu, 0x800};
    if (byte >= 0xF0 && byte <= 0xF4)
        return {4, byte & 0x07u, 0x10000};
    return {0, 0, 0};
}

bool is_continuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

bool is_character(uint32_t code, uint32_t minimum) {
    return code >= minimum && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
}

// A range of capitals and how far each is from its small letter. In a range
// of pairs capitals and small letters alternate, the capital first, so only
// every other character folds.
struct FoldRange {
    uint32_t first;
    uint32_t last;
    int32_t offset;
    bool pairs;
};

constexpr FoldRange fold_ranges[] = {
    // ASCII; Latin-1 around the multiplication sign U+00D7.
    {0x0041, 0x005A, 0x20, false},
    {0x00C0, 0x00D6, 0x20, false},
    {0x00D8, 0x00DE, 0x20, false},
    // Latin Extended-A. The dotted and dotless I (U+0130, U+0131), the kra
    // (U+0138) and U+0149 have no partner in the block; Y with diaeresis
    // has its small letter in Latin-1.
    {0x0100, 0x012F, 1, true},
    {0x0132, 0x0137, 1, true},
    {0x0139, 0x0148, 1, true},
    {0x014A, 0x0177, 1, true},
    {0x0178, 0x0178, -0x79, false},
    {0x0179, 0x017E, 1, true},
    // Greek: the capitals with tonos, then the alphabet around the
    // unassigned U+03A2.
    {0x0386, 0x0386, 0x26, false},
    {0x0388, 0x038A, 0x25, false},
    {0x038C, 0x038C, 0x40, false},
    {0x038E, 0x038F, 0x3F, false},
    {0x0391, 0x03A1, 0x20, false},
    {0x03A3, 0x03A9, 0x20, false},
    // Cyrillic: the capitals with marks, then the basic alphabet.
    {0x0400, 0x040F, 0x50, false},
    {0x0410, 0x042F, 0x20, false},
    // Fullwidth Latin.
    {0xFF21, 0xFF3A, 0x20, false},
};

int order(uint32_t a, uint32_t b) {
    return a < b ? -1 : 1;
}

} // namespace

Character decode(const char* text, size_t limit) {
    if (limit == 0 || text[0] == '\0')
        return no_character;
    Lead lead = read_lead(static_cast<unsigned char>(text[0]));
    if (lead.length == 0)
        return no_character;
    uint32_t code = lead.bits;
    // Each byte is looked at before the next is read: a NUL is no
    // continuation byte, so nothing past it is read.
    for (size_t i = 1; i < lead.length; ++i) {
        if (i >= limit)
            return no_character;
        auto byte = static_cast<unsigned char>(text[i]);
        if (!is_continuation(byte))
            return no_character;
        code = code << 6 | (byte & 0x3Fu);
    }
    if (!is_character(code, lead.minimum))
        return no_character;
    return {code, lead.length};
}

uint32_t fold(uint32_t code) {
    for (const FoldRange& range : fold_ranges) {
        if (code < range.first || code > range.last)
            continue;
        if (range.pairs && (code - range.first) % 2 != 0)
            return code;
        return static_cast<uint32_t>(static_cast<int32_t>(code) + range.offset);
    }
    return code;
}

int compare_max(const char* p1, const char* p2, size_t p1_bytes) {
    for (;;) {
        Character a = decode(p1, p1_bytes);
        Character b = decode(p2, whole_text);
        if (a.length == 0)
            return b.length == 0 ? 0 : -1;
        if (b.length == 0)
            return 1;
        uint32_t x = fold(a.code);
        uint32_t y = fold(b.code);
        if (x != y)
            return order(x, y);
        p1 += a.length;
        p1_bytes -= a.length;
        p2 += b.length;
    }
}

int compare(const char* a, const char* b) {
    return compare_max(a, b, whole_text);
}

int compare_partial(const char* p1, const char* p2, size_t num) {
    for (size_t i = 0; i < num; ++i) {
        Character needle = decode(p2, whole_text);
        if (needle.length == 0)
            return 0;
        Character text = decode(p1, whole_text);
        if (text.length == 0)
            return -1;
        uint32_t x = fold(text.code);
        uint32_t y = fold(needle.code);
        if (x != y)
            return order(x, y);
        p1 += text.length;
        p2 += needle.length;
    }
    return 0;
}

} // namespace lumivox::player_text
