// Code-page conversion for the one text that is ever converted: the name of
// the ghost a lyric file asks for; and the system code page's lead bytes, by
// which lyric text in that code page is read character by character.
#pragma once

#include <cstdint>

namespace lumivox::platform {

// Where the bytes come from: the system's ANSI code page, Shift_JIS (932) or
// UTF-8 (65001). On Linux the system code page is UTF-8.
enum class CodePage { system, shift_jis, utf8 };

// Converts length bytes of text from the code page `from` to the system code
// page, by way of UTF-16 (at most 2,048 units), into out. Bytes that do not
// decode are replaced, not refused. Returns the number of bytes written (no
// NUL is added), or 0 when the text does not convert or either step does not
// fit: out_size bytes, or the 2,048 units.
uint32_t convert_to_system_code_page(CodePage from, const char* text, uint32_t length, char* out,
                                     uint32_t out_size);

// True when byte begins a two-byte character of the system's ANSI code page
// (a double-byte one such as 932); never for a single-byte code page or
// UTF-8.
bool system_lead_byte(unsigned char byte);

} // namespace lumivox::platform
