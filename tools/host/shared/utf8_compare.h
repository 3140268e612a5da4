// Case-insensitive text comparison as the player's shared library does it:
// texts are decoded as UTF-8 and compared character by character, and the
// end of a text or a byte that begins no valid character stops the
// comparison. Byte-wise folding would hide what that means to a caller: a
// needle that holds a non-UTF-8 byte matches any text up to that byte.
// Both substitute shared libraries use this code; the conformance host's is
// freestanding, so nothing here needs the C++ library.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace lumivox::player_text {

// A length or a count of all ones: the whole text.
constexpr size_t whole_text = ~static_cast<size_t>(0);

// One character: its code point and its length in bytes. Length 0 when the
// text ends there or its bytes begin no valid UTF-8 sequence.
struct Character {
    uint32_t code;
    size_t length;
};

// Decodes the character at text, reading at most limit bytes and nothing
// past a NUL. A sequence the limit cuts is invalid.
Character decode(const char* text, size_t limit);

// Simple one-to-one lower case: ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic and fullwidth Latin; every other character is its own.
uint32_t fold(uint32_t code);

// 0 when equal ignoring case, otherwise -1 or 1. An ended or invalid
// character orders before a valid one; two of them end the comparison equal.
int compare(const char* a, const char* b);

// As compare, reading p1 only within its first p1_bytes bytes.
int compare_max(const char* p1, const char* p2, size_t p1_bytes);

// 0 when p1 begins with the first num characters of p2, ignoring case. The
// needle stops at its end or at its first invalid byte, which is a match.
int compare_partial(const char* p1, const char* p2, size_t num);

} // namespace lumivox::player_text
