#include "timeline/utf16.h"

namespace lumivox {

namespace {

constexpr uint32_t replacement = 0xFFFD;

uint32_t unit_at(const unsigned char* p, Utf16Order order) {
    return order == Utf16Order::big_endian ? (uint32_t{p[0]} << 8 | p[1])
                                           : (uint32_t{p[1]} << 8 | p[0]);
}

bool high_surrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool low_surrogate(uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

uint32_t utf8_length(uint32_t c) {
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

void write_utf8(uint32_t c, char* out) {
    auto byte = [](uint32_t v) { return static_cast<char>(static_cast<unsigned char>(v)); };
    switch (utf8_length(c)) {
    case 1:
        out[0] = byte(c);
        break;
    case 2:
        out[0] = byte(0xC0 | c >> 6);
        out[1] = byte(0x80 | (c & 0x3F));
        break;
    case 3:
        out[0] = byte(0xE0 | c >> 12);
        out[1] = byte(0x80 | (c >> 6 & 0x3F));
        out[2] = byte(0x80 | (c & 0x3F));
        break;
    default:
        out[0] = byte(0xF0 | c >> 18);
        out[1] = byte(0x80 | (c >> 12 & 0x3F));
        out[2] = byte(0x80 | (c >> 6 & 0x3F));
        out[3] = byte(0x80 | (c & 0x3F));
        break;
    }
}

} // namespace

Utf16Order utf16_order(const char* bytes, uint32_t length) {
    if (length < 2)
        return Utf16Order::none;
    auto first = static_cast<unsigned char>(bytes[0]);
    auto second = static_cast<unsigned char>(bytes[1]);
    if (first == 0xFF && second == 0xFE)
        return Utf16Order::little_endian;
    if (first == 0xFE && second == 0xFF)
        return Utf16Order::big_endian;
    return Utf16Order::none;
}

uint32_t utf16_to_utf8(const unsigned char* in, uint32_t length, Utf16Order order, bool last,
                       char* out, uint32_t room, uint32_t& consumed) {
    uint32_t read = 0;
    uint32_t written = 0;
    for (;;) {
        uint32_t c = 0;
        uint32_t used = 2;
        uint32_t left = length - read;
        if (left < 2) {
            // An odd byte can only be the last of the file: no unit to finish.
            if (left == 0 || !last)
                break;
            c = replacement;
            used = 1;
        } else {
            c = unit_at(in + read, order);
            if (high_surrogate(c)) {
                if (left >= 4 && low_surrogate(unit_at(in + read + 2, order))) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (unit_at(in + read + 2, order) - 0xDC00);
                    used = 4;
                } else if (left >= 4 || last) {
                    c = replacement;
                } else {
                    break; // its partner may begin the next piece
                }
            } else if (low_surrogate(c)) {
                c = replacement;
            }
        }
        if (room - written < utf8_length(c))
            break;
        write_utf8(c, out + written);
        written += utf8_length(c);
        read += used;
    }
    consumed = read;
    return written;
}

} // namespace lumivox
