// Telling the charset of a lyric file that names none from its bytes: a file
// that is not UTF-8 but reads whole as Shift_JIS is taken for Shift_JIS.
#pragma once

#include <cstdint>

namespace lumivox {

// What the bytes seen so far can be.
struct CharsetGuess {
    bool utf8 = true;
    bool shift_jis = true;
};

// Well-formed UTF-8: no overlong form, no surrogate, nothing past U+10FFFF,
// no sequence cut short. Plain ASCII is UTF-8.
bool valid_utf8(const char* bytes, uint32_t length);

// Well-formed Shift_JIS as code page 932 has it: ASCII, single-byte katakana
// (0xA1-0xDF), or a lead byte (0x81-0x9F, 0xE0-0xFC) with a trail byte
// (0x40-0x7E, 0x80-0xFC).
bool valid_shift_jis(const char* bytes, uint32_t length);

// Notes one line's bytes (without its LF; no character spans two lines, as
// an LF is never a trail byte).
void guess_line_charset(CharsetGuess& guess, const char* line, uint32_t length);

// True when the bytes seen are not UTF-8 but are Shift_JIS.
inline bool guessed_shift_jis(const CharsetGuess& guess) {
    return !guess.utf8 && guess.shift_jis;
}

} // namespace lumivox
