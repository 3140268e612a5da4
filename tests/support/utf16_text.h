// Writing UTF-16 lyric files for tests, as Notepad saves "Unicode" text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumivox::test {

// UTF-16 code units, each written in the given byte order.
inline std::string utf16_units(const std::vector<uint16_t>& code_units, bool big_endian) {
    std::string out;
    for (uint16_t u : code_units) {
        char high = static_cast<char>(u >> 8);
        char low = static_cast<char>(u & 0xFF);
        out += big_endian ? std::string{high, low} : std::string{low, high};
    }
    return out;
}

// The UTF-8 text (well-formed) as a UTF-16 file: its byte-order mark, then
// the text.
inline std::string utf16_file(const std::string& utf8, bool big_endian) {
    std::vector<uint16_t> code_units = {0xFEFF};
    for (size_t i = 0; i < utf8.size();) {
        auto b = static_cast<unsigned char>(utf8[i]);
        int size = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        uint32_t c = size == 1 ? b : b & (0x7F >> size);
        for (int k = 1; k < size; ++k)
            c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += size;
        if (c >= 0x10000) {
            code_units.push_back(static_cast<uint16_t>(0xD800 + ((c - 0x10000) >> 10)));
            code_units.push_back(static_cast<uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            code_units.push_back(static_cast<uint16_t>(c));
        }
    }
    return utf16_units(code_units, big_endian);
}

} // namespace lumivox::test
