// The double-byte charsets a lyric file may be in without saying so, read
// character by character as the component's own rules have them, alike on
// every system: which bytes form a character, how common a character of its
// kind is in the language the charset is written for, and the conversion of
// a line to UTF-8 over the platform's code-page conversion.
#pragma once

#include "platform/codepage.h"

#include <cstdint>

namespace lumivox {

enum class LegacyCharset : uint8_t {
    shift_jis, // code page 932, Japanese
    gbk,       // code page 936, simplified Chinese (GB2312 and its extension)
    big5,      // code page 950, traditional Chinese
    uhc,       // code page 949, Korean (EUC-KR and the Unified Hangul extension)
};
constexpr uint32_t legacy_charset_count = 4;

// The charset's usual name ("Shift_JIS", "GBK", "Big5", "EUC-KR").
const char* legacy_charset_name(LegacyCharset charset);
platform::CodePage legacy_code_page(LegacyCharset charset);

// One character: its bytes (1 or 2), whether they form a character of the
// charset at all, and for a character beyond ASCII its cost (about ten
// times the natural logarithm of how unlikely that very character is in a
// text of the charset's language; lower is likelier) and whether it is of a
// kind such a text hardly has (user-defined, extension, unassigned).
struct LegacyChar {
    uint8_t length;
    bool valid;
    uint8_t cost;
    bool rare;
};

// The character at p, of which available (at least 1) bytes may be read.
// A byte that begins no character of the charset is invalid, of length 1.
LegacyChar read_legacy_char(LegacyCharset charset, const unsigned char* p, uint32_t available);

// Converts a line (length bytes, no line end) to UTF-8 in out, at most room
// bytes and no NUL; returns the bytes written. Stops before a character that
// does not fit whole. A byte that begins no character, and a character that
// the platform does not convert or that it reads as a private-use code point
// (the user-defined areas, which the systems fill unlike each other), become
// U+FFFD, so that every system gives the same text.
uint32_t legacy_line_to_utf8(platform::Decoder* decoder, LegacyCharset charset, const char* line,
                             uint32_t length, char* out, uint32_t room);

} // namespace lumivox
