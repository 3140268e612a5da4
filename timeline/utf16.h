// UTF-16 lyric files: the byte-order mark that tells them, and their
// conversion to UTF-8 one piece at a time, as the loader reads them.
#pragma once

#include <cstdint>

namespace lumivox {

enum class Utf16Order { none, little_endian, big_endian };

// The byte order a UTF-16 byte-order mark at the start of bytes names, or
// none (also when fewer than two bytes are given).
Utf16Order utf16_order(const char* bytes, uint32_t length);

// The most UTF-8 bytes one character takes.
constexpr uint32_t utf8_char_max = 4;

// Converts the UTF-16 code units of in (length bytes, in order) to UTF-8 in
// out (room bytes), and stops before a character that does not fit whole.
// A high surrogate at the end of in waits for the next piece, unless last
// says that no input follows. Unpaired surrogates, and an odd byte that ends
// the last piece, become U+FFFD. consumed tells the bytes of in used; the
// result is the bytes written (no NUL). Reads no byte of in past length and
// writes none of out past room.
uint32_t utf16_to_utf8(const unsigned char* in, uint32_t length, Utf16Order order, bool last,
                       char* out, uint32_t room, uint32_t& consumed);

} // namespace lumivox
