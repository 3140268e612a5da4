#include "timeline/charset_guess.h"

namespace lumivox {

namespace {

bool continuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

bool in_range(unsigned char b, unsigned char low, unsigned char high) {
    return b >= low && b <= high;
}

} // namespace

bool valid_utf8(const char* bytes, uint32_t length) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    uint32_t i = 0;
    while (i < length) {
        unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        // The second byte's range rules out overlong forms, surrogates and
        // code points past U+10FFFF; the others are plain continuations.
        uint32_t size = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (in_range(b, 0xC2, 0xDF)) {
            size = 2;
        } else if (in_range(b, 0xE0, 0xEF)) {
            size = 3;
            low = b == 0xE0 ? 0xA0 : 0x80;
            high = b == 0xED ? 0x9F : 0xBF;
        } else if (in_range(b, 0xF0, 0xF4)) {
            size = 4;
            low = b == 0xF0 ? 0x90 : 0x80;
            high = b == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (length - i < size || !in_range(p[i + 1], low, high))
            return false;
        for (uint32_t k = 2; k < size; ++k) {
            if (!continuation(p[i + k]))
                return false;
        }
        i += size;
    }
    return true;
}

bool valid_shift_jis(const char* bytes, uint32_t length) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    uint32_t i = 0;
    while (i < length) {
        unsigned char b = p[i];
        if (b < 0x80 || in_range(b, 0xA1, 0xDF)) {
            ++i;
            continue;
        }
        if (!in_range(b, 0x81, 0x9F) && !in_range(b, 0xE0, 0xFC))
            return false;
        if (i + 1 == length)
            return false;
        unsigned char trail = p[i + 1];
        if (!in_range(trail, 0x40, 0x7E) && !in_range(trail, 0x80, 0xFC))
            return false;
        i += 2;
    }
    return true;
}

void guess_line_charset(CharsetGuess& guess, const char* line, uint32_t length) {
    if (guess.utf8 && !valid_utf8(line, length))
        guess.utf8 = false;
    if (guess.shift_jis && !valid_shift_jis(line, length))
        guess.shift_jis = false;
}

} // namespace lumivox
