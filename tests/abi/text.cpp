#include "text.h"

namespace abi {

void bytes_append(Bytes& bytes, const void* data, size_t size) {
    if (bytes.size + size + 1 > bytes.capacity) {
        size_t capacity = bytes.capacity == 0 ? 64 : bytes.capacity;
        while (capacity < bytes.size + size + 1)
            capacity *= 2;
        bytes.data = static_cast<char*>(realloc(bytes.data, capacity));
        bytes.capacity = capacity;
    }
    if (size != 0)
        memcpy(bytes.data + bytes.size, data, size);
    bytes.size += size;
    bytes.data[bytes.size] = '\0';
}

void bytes_append_text(Bytes& bytes, const char* text) {
    bytes_append(bytes, text, strlen(text));
}

void bytes_clear(Bytes& bytes) {
    bytes.size = 0;
    if (bytes.data != nullptr)
        bytes.data[0] = '\0';
}

void bytes_free(Bytes& bytes) {
    free(bytes.data);
    bytes = Bytes{};
}

const char* bytes_text(const Bytes& bytes) {
    return bytes.data != nullptr ? bytes.data : "";
}

bool to_wide(const char* text, wchar_t* out, int out_size) {
    return MultiByteToWideChar(win32::utf8, 0, text, -1, out, out_size) > 0;
}

bool to_utf8(const wchar_t* text, char* out, int out_size) {
    return WideCharToMultiByte(win32::utf8, 0, text, -1, out, out_size, nullptr, nullptr) > 0;
}

void format_to(char* out, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = _vsnprintf(out, size - 1, format, args);
    va_end(args);
    out[n < 0 ? size - 1 : static_cast<size_t>(n)] = '\0';
}

bool ascii_equal_nocase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        char x = *a >= 'A' && *a <= 'Z' ? static_cast<char>(*a + 32) : *a;
        char y = *b >= 'A' && *b <= 'Z' ? static_cast<char>(*b + 32) : *b;
        if (x != y)
            return false;
        if (x == '\0')
            return true;
    }
}

} // namespace abi
