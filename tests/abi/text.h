// Growable bytes and the text conversions the host needs.
#pragma once

#include "win32_decls.h"

namespace abi {

// Always NUL-terminated once anything was appended; empty reads as "".
struct Bytes {
    char* data = nullptr;
    size_t size = 0;
    size_t capacity = 0;
};

void bytes_append(Bytes& bytes, const void* data, size_t size);
void bytes_append_text(Bytes& bytes, const char* text);
void bytes_clear(Bytes& bytes);
void bytes_free(Bytes& bytes);
const char* bytes_text(const Bytes& bytes);

// Conversions between UTF-8 and UTF-16 into a caller's buffer; false when it
// does not fit.
bool to_wide(const char* text, wchar_t* out, int out_size);
bool to_utf8(const wchar_t* text, char* out, int out_size);

// printf into a caller's buffer, always terminated.
void format_to(char* out, size_t size, const char* format, ...);

bool ascii_equal_nocase(const char* a, const char* b);

} // namespace abi
