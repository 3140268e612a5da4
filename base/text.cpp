#include "base/text.h"

#include "base/host_api.h"

#include <cstdlib>
#include <cstring>

namespace lumivox {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Accumulates a run of digits in wrapping 32-bit arithmetic (4294967295
// reads as -1) and returns the position after the run.
const char* read_digits(const char* p, uint32_t& value) {
    value = 0;
    while (is_digit(*p)) {
        value = value * 10u + static_cast<uint32_t>(*p - '0');
        ++p;
    }
    return p;
}

int32_t as_int32(uint32_t v) {
    return static_cast<int32_t>(v);
}

} // namespace

int32_t parse_time_value(const char* text, int32_t default_value) {
    const char* p = text;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    if (!is_digit(*p))
        return default_value;

    // All arithmetic is unsigned so that oversized groups wrap instead of
    // overflowing; the result is reinterpreted as signed at the end.
    auto signed_group = [negative](uint32_t v) { return negative ? 0u - v : v; };

    uint32_t group = 0;
    p = read_digits(p, group);
    uint32_t result = 0;
    if (*p == ':') {
        result = signed_group(group) * 60000u;
        ++p;
        if (!is_digit(*p))
            return as_int32(result);
        p = read_digits(p, group);
        result += signed_group(group) * 1000u;
        if (*p != ':' && *p != '.')
            return as_int32(result);
    } else if (*p == '.') {
        result = signed_group(group) * 1000u;
    } else {
        return as_int32(signed_group(group));
    }

    ++p; // the separator before the fraction
    if (!is_digit(*p))
        return as_int32(result);
    uint32_t fraction = 0;
    int digits = 0;
    while (is_digit(*p)) {
        if (digits < 3)
            fraction = fraction * 10u + static_cast<uint32_t>(*p - '0');
        ++digits;
        ++p;
    }
    if (digits == 1)
        fraction *= 100u;
    else if (digits == 2)
        fraction *= 10u;
    return as_int32(result + signed_group(fraction));
}

const char* find_substring(const char* haystack, const char* needle, size_t n) {
    const char* p = haystack;
    for (;;) {
        const char* hit = find_first_char(p, needle[0]);
        if (hit == nullptr)
            return nullptr;
        if (stricmp_utf8_partial(hit, needle, n) == 0)
            return hit;
        p = hit + 1;
    }
}

char* dup_string(const char* text) {
    uint32_t length = text_length(text);
    char* copy = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
    if (copy != nullptr)
        std::memcpy(copy, text, static_cast<size_t>(length) + 1);
    return copy;
}

uint32_t text_length(const char* text) {
    return static_cast<uint32_t>(std::strlen(text));
}

uint32_t text_length_max(const char* text, uint32_t n) {
    uint32_t i = 0;
    while (i < n && text[i] != '\0')
        ++i;
    return i;
}

const char* find_first_char(const char* text, char c) {
    if (c == '\0')
        return nullptr;
    return std::strchr(text, c);
}

const char* find_last_char(const char* text, char c) {
    if (c == '\0')
        return nullptr;
    return std::strrchr(text, c);
}

char* copy_string_end(char* destination, const char* source) {
    while ((*destination = *source) != '\0') {
        ++destination;
        ++source;
    }
    return destination;
}

char* copy_string_end_max(char* destination, const char* source, uint32_t n) {
    uint32_t length = text_length_max(source, n);
    std::memcpy(destination, source, length);
    destination[length] = '\0';
    return destination + length;
}

char* write_unsigned(char* destination, uint32_t value) {
    char* end = destination;
    do {
        *end++ = static_cast<char>('0' + value % 10u);
        value /= 10u;
    } while (value != 0);
    *end = '\0';
    for (char *a = destination, *b = end - 1; a < b; ++a, --b) {
        char t = *a;
        *a = *b;
        *b = t;
    }
    return end;
}

} // namespace lumivox
