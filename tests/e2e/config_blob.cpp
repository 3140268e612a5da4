#include "tests/e2e/config_blob.h"

#include <fstream>
#include <sstream>

namespace lumivox::e2e {

namespace {

std::string le32(uint32_t v) {
    std::string out;
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

std::string from_hex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

std::string to_hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

} // namespace

std::string word_record(const std::string& guid, uint32_t value) {
    return from_hex(guid) + le32(4) + le32(value);
}

std::string text_record(const std::string& guid, const std::string& text) {
    return from_hex(guid) + le32(static_cast<uint32_t>(text.size())) + text;
}

std::map<std::string, std::string> read_blob(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string blob = bytes.str();
    std::map<std::string, std::string> records;
    size_t at = 0;
    while (at + 20 <= blob.size()) {
        uint32_t size = word(blob.substr(at + 16, 4));
        records[to_hex(blob.substr(at, 16))] = blob.substr(at + 20, size);
        at += 20 + size;
    }
    return records;
}

uint32_t word(const std::string& data) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4 && i < data.size(); ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    return value;
}

} // namespace lumivox::e2e
