// Code-page conversion for the one text that is ever converted: the name of
// the ghost a lyric file asks for, into the system code page and UTF-8; and
// the system code page's lead bytes, by which lyric text in that code page is
// read character by character.
#pragma once

#include <cstdint>

namespace lumivox::platform {

// Where bytes come from or go to: the system's ANSI code page, Shift_JIS (932) or
// UTF-8 (65001). On Linux the system code page is UTF-8.
enum class CodePage { system, shift_jis, utf8 };

// Converts length bytes of text from the code page `from` to the code page
// `to`, by way of UTF-16 (at most 2,048 units), into out. Bytes that do not
// decode are replaced (by U+FFFD), not refused. Returns the number of bytes
// written (no NUL is added), or 0 when the text does not convert, either
// step does not fit (out_size bytes, or the 2,048 units), or a character has
// no exact form in `to`: no look-alike or default character stands in for
// it, so that a name never turns into another one.
uint32_t convert_code_page(CodePage from, CodePage to, const char* text, uint32_t length, char* out,
                           uint32_t out_size);

// True when byte begins a two-byte character of the system's ANSI code page
// (a double-byte one such as 932); never for a single-byte code page or
// UTF-8.
bool system_lead_byte(unsigned char byte);

} // namespace lumivox::platform
