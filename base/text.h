// Small byte-string routines shared by the whole component. Strings are
// NUL-terminated bytes (UTF-8, Shift_JIS or the ANSI code page); nothing here
// decodes characters except find_substring, which leaves case folding to the
// host's stricmp_utf8_partial.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumivox {

// Reads an integer or a [-]m:ss.fff time in milliseconds from the start of
// text; default_value when no digit stands at the start (after one "-").
int32_t parse_time_value(const char* text, int32_t default_value);

// First occurrence of needle (n bytes) in haystack: the first byte matches
// exactly, the rest ignoring case. nullptr when absent.
const char* find_substring(const char* haystack, const char* needle, size_t n);

// Heap copy made with malloc; nullptr when allocation fails.
char* dup_string(const char* text);

uint32_t text_length(const char* text);

// Bytes before the NUL, but at most n; never reads past the n-th byte.
uint32_t text_length_max(const char* text, uint32_t n);

// Never find the terminating NUL: asked for byte 0 they return nullptr.
const char* find_first_char(const char* text, char c);
const char* find_last_char(const char* text, char c);
inline char* find_first_char(char* text, char c) {
    return const_cast<char*>(find_first_char(static_cast<const char*>(text), c));
}
inline char* find_last_char(char* text, char c) {
    return const_cast<char*>(find_last_char(static_cast<const char*>(text), c));
}

// Copies source with its NUL and returns the position of the copied NUL, so
// that chained calls concatenate. The caller guarantees room.
char* copy_string_end(char* destination, const char* source);

// Bounded form for callers that must not trust the source's length: copies
// at most n bytes of source, then a NUL, and returns the NUL's position.
char* copy_string_end_max(char* destination, const char* source, uint32_t n);

// Writes value (at least 1) in decimal, then NUL; returns the NUL's position.
char* write_unsigned(char* destination, uint32_t value);

} // namespace lumivox
