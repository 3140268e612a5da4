// Code-page conversion: the name of the ghost a lyric file asks for, into
// the system code page and UTF-8; lyric text in one of the double-byte code
// pages, into UTF-8; and the system code page's lead bytes, by which lyric
// text in that code page is read character by character.
#pragma once

#include <cstdint>

namespace lumivox::platform {

// Where bytes come from or go to: the system's ANSI code page, UTF-8 (65001),
// or one of the double-byte code pages: Shift_JIS (932), GBK (936), Big5
// (950) and Unified Hangul (949, a superset of EUC-KR). On Linux the system
// code page is UTF-8.
enum class CodePage { system, shift_jis, utf8, gbk, big5, uhc };

// Converts length bytes of text from the code page `from` to the code page
// `to`, by way of UTF-16 (at most 2,048 units), into out. Bytes that do not
// decode are replaced (by U+FFFD), not refused. Returns the number of bytes
// written (no NUL is added), or 0 when the text does not convert, either
// step does not fit (out_size bytes, or the 2,048 units), or a character has
// no exact form in `to`: no look-alike or default character stands in for
// it, so that a name never turns into another one.
uint32_t convert_code_page(CodePage from, CodePage to, const char* text, uint32_t length, char* out,
                           uint32_t out_size);

// Reads text of one code page as UTF-8, for as long as a lyric file is
// loaded. Opened per load: on POSIX it holds an iconv descriptor.
struct Decoder;

// nullptr when the system cannot read that code page.
Decoder* decoder_open(CodePage from);
void decoder_close(Decoder* decoder);

constexpr uint32_t decode_failed = UINT32_MAX;

// Converts length bytes (at most 4,096) into UTF-8 in out, at most room
// bytes, no NUL added; returns the bytes written. decode_failed, with
// nothing promised of out, when a byte sequence is no character of the code
// page or the result does not fit: nothing is ever replaced, so that the
// caller decides what stands for what does not decode, alike on every
// system.
uint32_t decode_to_utf8(Decoder* decoder, const char* text, uint32_t length, char* out,
                        uint32_t room);

// True when byte begins a two-byte character of the system's ANSI code page
// (a double-byte one such as 932); never for a single-byte code page or
// UTF-8.
bool system_lead_byte(unsigned char byte);

} // namespace lumivox::platform
