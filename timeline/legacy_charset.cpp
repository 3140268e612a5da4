#include "timeline/legacy_charset.h"

#include "base/lead_bytes.h"

#include <algorithm>
#include <cstring>

namespace lumivox {

namespace {

bool in(unsigned b, unsigned low, unsigned high) {
    return b >= low && b <= high;
}

// A character's kind: its cost is 10 ln(size / share), size the characters
// of the kind, share the part of a text's non-ASCII characters that a text
// in the charset's language has of that kind. Each encoding lays its
// characters out by how common they are (kana apart, the commonest few
// thousand Chinese characters in a level of their own, the modern hangul
// syllables in one block), so the kinds need no list of characters.
struct Kind {
    uint8_t cost;
    bool rare;
};

constexpr Kind common(uint8_t cost) {
    return {cost, false};
}
constexpr Kind rare(uint8_t cost) {
    return {cost, true};
}

// The bytes of the character at p, or 0 for a byte that begins none: one
// rule per charset, for the judgement and the conversion alike.
template <LegacyCharset charset>
inline uint32_t char_length(const unsigned char* p, uint32_t available) {
    unsigned lead = p[0];
    if (lead < 0x80)
        return 1;
    if (charset == LegacyCharset::shift_jis && in(lead, 0xA1, 0xDF))
        return 1; // half-width katakana
    if (available < 2)
        return 0;
    unsigned trail = p[1];
    if constexpr (charset == LegacyCharset::shift_jis) {
        return shift_jis_lead_byte(static_cast<unsigned char>(lead)) &&
                       (in(trail, 0x40, 0x7E) || in(trail, 0x80, 0xFC))
                   ? 2
                   : 0;
    } else if constexpr (charset == LegacyCharset::gbk) {
        return in(lead, 0x81, 0xFE) && (in(trail, 0x40, 0x7E) || in(trail, 0x80, 0xFE)) ? 2 : 0;
    } else if constexpr (charset == LegacyCharset::big5) {
        // Lead bytes outside A1-F9 are user-defined: taken for no character.
        return in(lead, 0xA1, 0xF9) && (in(trail, 0x40, 0x7E) || in(trail, 0xA1, 0xFE)) ? 2 : 0;
    } else {
        bool euc = in(trail, 0xA1, 0xFE);
        bool extension = lead <= 0xC6 &&
                         (in(trail, 0x41, 0x5A) || in(trail, 0x61, 0x7A) || in(trail, 0x81, 0xA0));
        return in(lead, 0x81, 0xFE) && (euc || extension) ? 2 : 0;
    }
}

uint32_t char_length(LegacyCharset charset, const unsigned char* p, uint32_t available) {
    switch (charset) {
    case LegacyCharset::shift_jis:
        return char_length<LegacyCharset::shift_jis>(p, available);
    case LegacyCharset::gbk:
        return char_length<LegacyCharset::gbk>(p, available);
    case LegacyCharset::big5:
        return char_length<LegacyCharset::big5>(p, available);
    case LegacyCharset::uhc:
        break;
    }
    return char_length<LegacyCharset::uhc>(p, available);
}

// Shift_JIS: hiragana (83, half of the text), katakana (86, 10 %), the
// punctuation row (108, 6 %), JIS level 1 kanji (2,965, 30 %), level 2
// (3,390, 2 %), full-width letters and digits (62, 1 %), half-width katakana
// (63, 0.5 %); the rest (NEC and IBM extensions, user-defined, unassigned).
Kind shift_jis_kind(unsigned lead, unsigned trail) {
    unsigned code = lead << 8 | trail;
    if (in(code, 0x829F, 0x82F1))
        return common(51);
    if (in(code, 0x8340, 0x8396))
        return common(68);
    if (in(code, 0x8140, 0x81AC))
        return common(75);
    if (in(code, 0x889F, 0x9872))
        return common(92);
    if (in(code, 0x824F, 0x829A))
        return common(87);
    if (in(code, 0x989F, 0xEAA4))
        return common(120);
    return rare(136);
}

// GBK: GB2312's level 1 hanzi (3,755, 90 % of the text), its punctuation
// rows 1 and 3 (188, 6 %), level 2 (3,008, 3 %), its other symbol rows
// (kana, Greek, Cyrillic, pinyin, box drawing: 564, 0.5 %); the rest (GBK's
// extension and user-defined areas, unassigned).
Kind gbk_kind(unsigned lead, unsigned trail) {
    if (!in(trail, 0xA1, 0xFE))
        return rare(150);
    if (in(lead, 0xB0, 0xD6) || (lead == 0xD7 && trail <= 0xF9))
        return common(83);
    if (lead == 0xA1 || lead == 0xA3)
        return common(80);
    if (in(lead, 0xD8, 0xF7))
        return common(115);
    if (in(lead, 0xA2, 0xA9))
        return common(116);
    return rare(150);
}

// Big5: its frequently used characters (5,401, 90 %), the punctuation row
// (157, 5.5 %), the less frequent ones (7,652, 4 %), the other symbols (251,
// 0.4 %); the rest (kana and extensions past the characters, unassigned).
Kind big5_kind(unsigned lead, unsigned trail) {
    unsigned code = lead << 8 | trail;
    if (in(code, 0xA440, 0xC67E))
        return common(87);
    if (in(code, 0xA140, 0xA1FE))
        return common(80);
    if (in(code, 0xC940, 0xF9D5))
        return common(122);
    if (in(code, 0xA240, 0xA3BF))
        return common(110);
    return rare(131);
}

// Unified Hangul: KS X 1001's hangul syllables (2,350, 95 %), its
// punctuation rows 1 and 3 (188, 3 %), the extension's other syllables
// (8,822, 1.5 %), hanja (4,888, 0.3 %), the other symbol rows (0.2 %); the
// rest (user-defined rows C9 and FE, unassigned rows).
Kind uhc_kind(unsigned lead, unsigned trail) {
    if (!in(trail, 0xA1, 0xFE) || lead < 0xA1)
        return common(133);
    if (in(lead, 0xB0, 0xC8))
        return common(78);
    if (lead == 0xA1 || lead == 0xA3)
        return common(87);
    if (in(lead, 0xCA, 0xFD))
        return common(143);
    if (in(lead, 0xA2, 0xAC))
        return common(131);
    return rare(152);
}

// The kind of a two-byte character.
Kind kind_of(LegacyCharset charset, unsigned lead, unsigned trail) {
    switch (charset) {
    case LegacyCharset::shift_jis:
        return shift_jis_kind(lead, trail);
    case LegacyCharset::gbk:
        return gbk_kind(lead, trail);
    case LegacyCharset::big5:
        return big5_kind(lead, trail);
    case LegacyCharset::uhc:
        break;
    }
    return uhc_kind(lead, trail);
}

// U+E000-U+F8FF in UTF-8: EE xx xx, or EF 80-A3 xx. By byte searches: it
// looks at every byte converted.
bool holds_private_use(const char* utf8, uint32_t length) {
    if (std::memchr(utf8, 0xEE, length) != nullptr)
        return true;
    const char* end = utf8 + length;
    for (const char* p = utf8;;) {
        p = static_cast<const char*>(std::memchr(p, 0xEF, static_cast<size_t>(end - p)));
        if (p == nullptr || p + 1 == end)
            return false;
        if (static_cast<unsigned char>(p[1]) <= 0xA3)
            return true;
        ++p;
    }
}

constexpr char replacement[] = "\xEF\xBF\xBD";
constexpr uint32_t replacement_length = 3;

// Every character of these code pages is in the Basic Multilingual Plane:
// at most three bytes of UTF-8 for each byte.
constexpr uint32_t utf8_per_byte = 3;

struct Output {
    char* out;
    uint32_t room;
    uint32_t written = 0;
    bool full = false;

    uint32_t left() const { return room - written; }
    bool put(const char* bytes, uint32_t n) {
        if (full || n > left()) {
            full = true;
            return false;
        }
        std::memcpy(out + written, bytes, n);
        written += n;
        return true;
    }
};

// One character by itself, or U+FFFD for one the platform does not give or
// gives in a private-use area.
void convert_char(platform::Decoder* decoder, const unsigned char* p, uint32_t length,
                  Output& output) {
    char one[8];
    uint32_t n = platform::decode_to_utf8(decoder, reinterpret_cast<const char*>(p), length, one,
                                          sizeof one);
    if (n == platform::decode_failed || holds_private_use(one, n))
        output.put(replacement, replacement_length);
    else
        output.put(one, n);
}

template <LegacyCharset charset>
uint32_t line_to_utf8(platform::Decoder* decoder, const char* line, uint32_t length, char* out,
                      uint32_t room) {
    const auto* p = reinterpret_cast<const unsigned char*>(line);
    Output output{out, room};
    // The ASCII a line begins with, its time tags, is its own in UTF-8.
    uint32_t at = 0;
    while (at < length && p[at] < 0x80)
        ++at;
    at = std::min(at, room);
    output.put(line, at);
    while (at < length && !output.full) {
        // The longest run of characters from at that the room surely holds,
        // converted whole; one that does not convert whole, one character at
        // a time, as is a character the room may not hold.
        uint32_t budget = output.left() / utf8_per_byte;
        uint32_t end = at;
        uint32_t n = 0;
        while (end < length) {
            n = char_length<charset>(p + end, length - end);
            if (n == 0 || end - at + n > budget)
                break;
            end += n;
        }
        if (end == at) {
            if (n == 0) {
                output.put(replacement, replacement_length);
                ++at;
            } else {
                convert_char(decoder, p + at, n, output);
                at += n;
            }
            continue;
        }
        char* to = output.out + output.written;
        uint32_t made = platform::decode_to_utf8(decoder, reinterpret_cast<const char*>(p + at),
                                                 end - at, to, output.left());
        if (made != platform::decode_failed && made <= output.left() &&
            !holds_private_use(to, made)) {
            output.written += made;
        } else {
            for (uint32_t k = at; k < end && !output.full;) {
                uint32_t one = char_length<charset>(p + k, end - k);
                convert_char(decoder, p + k, one, output);
                k += one;
            }
        }
        at = end;
    }
    return output.written;
}

} // namespace

const char* legacy_charset_name(LegacyCharset charset) {
    switch (charset) {
    case LegacyCharset::shift_jis:
        return "Shift_JIS";
    case LegacyCharset::gbk:
        return "GBK";
    case LegacyCharset::big5:
        return "Big5";
    case LegacyCharset::uhc:
        break;
    }
    return "EUC-KR";
}

platform::CodePage legacy_code_page(LegacyCharset charset) {
    switch (charset) {
    case LegacyCharset::shift_jis:
        return platform::CodePage::shift_jis;
    case LegacyCharset::gbk:
        return platform::CodePage::gbk;
    case LegacyCharset::big5:
        return platform::CodePage::big5;
    case LegacyCharset::uhc:
        break;
    }
    return platform::CodePage::uhc;
}

LegacyChar read_legacy_char(LegacyCharset charset, const unsigned char* p, uint32_t available) {
    uint32_t length = char_length(charset, p, available);
    if (length == 0)
        return {1, false, 0, false};
    if (p[0] < 0x80)
        return {1, true, 0, false};
    // Half-width katakana (63 of them, 0.5 % of a Japanese text).
    Kind kind = length == 1 ? common(94) : kind_of(charset, p[0], p[1]);
    return {static_cast<uint8_t>(length), true, kind.cost, kind.rare};
}

uint32_t legacy_line_to_utf8(platform::Decoder* decoder, LegacyCharset charset, const char* line,
                             uint32_t length, char* out, uint32_t room) {
    switch (charset) {
    case LegacyCharset::shift_jis:
        return line_to_utf8<LegacyCharset::shift_jis>(decoder, line, length, out, room);
    case LegacyCharset::gbk:
        return line_to_utf8<LegacyCharset::gbk>(decoder, line, length, out, room);
    case LegacyCharset::big5:
        return line_to_utf8<LegacyCharset::big5>(decoder, line, length, out, room);
    case LegacyCharset::uhc:
        break;
    }
    return line_to_utf8<LegacyCharset::uhc>(decoder, line, length, out, room);
}

} // namespace lumivox
