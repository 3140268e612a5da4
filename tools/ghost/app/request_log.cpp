#include "tools/ghost/app/request_log.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace lumivox::ghost {

namespace {

// Keeps the fields in the order they are written.
using Json = nlohmann::ordered_json;

std::optional<std::string> header(const std::string& request, const std::string& name) {
    std::string key = "\r\n" + name + ": ";
    size_t at = request.find(key);
    if (at == std::string::npos)
        return std::nullopt;
    at += key.size();
    size_t end = request.find("\r\n", at);
    return request.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// The length of the well-formed UTF-8 sequence at s[i], or 0: no overlong
// forms, no surrogates, nothing above U+10FFFF, exactly what the JSON
// library accepts.
size_t utf8_length(const std::string& s, size_t i) {
    auto byte = [&s](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80)
        return 1;
    size_t n = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    if (i + n > s.size() || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (size_t k = 2; k < n; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    return n;
}

// Valid UTF-8 passes as it is; any other byte (of a Shift_JIS script, say)
// stands as the code point of the same number, so that every text can be
// written and none is lost; raw_b64 keeps the bytes themselves.
std::string as_utf8(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        if (size_t n = utf8_length(s, i); n > 0) {
            out.append(s, i, n);
            i += n;
            continue;
        }
        auto c = static_cast<unsigned char>(s[i++]);
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

Json text_or_null(const std::optional<std::string>& s) {
    return s ? Json(as_utf8(*s)) : Json(nullptr);
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
                        std::optional<long> status,
                        const std::optional<ReceivingWindow>& receiver) {
    ParsedRequest parsed = parse_request(request);
    Json record;
    record["t_ms"] = std::round(t_ms * 1000) / 1000; // to the microsecond
    record["via"] = as_utf8(via);
    record["raw_b64"] = base64(request);
    record["script"] = text_or_null(parsed.script);
    record["charset"] = text_or_null(parsed.charset);
    record["status"] = status ? Json(*status) : Json(nullptr);
    record["ghost"] = receiver ? Json(as_utf8(receiver->ghost)) : Json(nullptr);
    record["window"] = receiver ? Json(receiver->window) : Json(nullptr);
    // Every text is valid UTF-8 by now; replacing rather than throwing
    // keeps a request from ever stopping the ghost should one slip through.
    return record.dump(-1, ' ', false, Json::error_handler_t::replace);
}

} // namespace lumivox::ghost
