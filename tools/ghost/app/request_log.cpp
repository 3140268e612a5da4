#include "tools/ghost/app/request_log.h"

#include <cstdio>

namespace lumivox::ghost {

namespace {

std::optional<std::string> header(const std::string& request, const std::string& name) {
    std::string key = "\r\n" + name + ": ";
    size_t at = request.find(key);
    if (at == std::string::npos)
        return std::nullopt;
    at += key.size();
    size_t end = request.find("\r\n", at);
    return request.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// Valid UTF-8 passes as it is; any other byte is shown as the code point of
// the same number, so that the line stays valid JSON (raw_b64 has the bytes).
std::string json_string(const std::string& s) {
    std::string out = "\"";
    for (size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80             ? 1
                   : (c & 0xE0) == 0xC0 ? 2
                   : (c & 0xF0) == 0xE0 ? 3
                   : (c & 0xF8) == 0xF0 ? 4
                                        : 0;
        bool valid = n != 0 && i + n <= s.size() && (n == 1 || c >= 0xC2);
        for (size_t k = 1; valid && k < n; ++k)
            valid = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        char escaped[8];
        if (!valid) {
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
            ++i;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20) {
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
            ++i;
        } else {
            out.append(s, i, n);
            i += n;
        }
    }
    return out + "\"";
}

std::string json_or_null(const std::optional<std::string>& s) {
    return s ? json_string(*s) : "null";
}

} // namespace

ParsedRequest parse_request(const std::string& request) {
    return {header(request, "Script"), header(request, "Charset")};
}

std::string base64(const std::string& bytes) {
    static const char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                     static_cast<unsigned char>(bytes[i + 1]) << 8 |
                     static_cast<unsigned char>(bytes[i + 2]);
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += alphabet[v & 63];
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string record_line(double t_ms, const char* via, const std::string& request,
                        std::optional<long> status) {
    ParsedRequest parsed = parse_request(request);
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", t_ms);
    return std::string("{\"t_ms\":") + time + ",\"via\":\"" + via + "\",\"raw_b64\":\"" +
           base64(request) + "\",\"script\":" + json_or_null(parsed.script) +
           ",\"charset\":" + json_or_null(parsed.charset) +
           ",\"status\":" + (status ? std::to_string(*status) : "null") + "}";
}

} // namespace lumivox::ghost
