// What lumivox-ghost records of each request: one JSON object per line.
#pragma once

#include <optional>
#include <string>

namespace lumivox::ghost {

struct ParsedRequest {
    std::optional<std::string> script;
    std::optional<std::string> charset;
};

// Reads the Script and Charset headers of an SSTP request.
ParsedRequest parse_request(const std::string& request);

// Which window received a request sent directly: the ghost's name (UTF-8)
// and "sakura" or "kero".
struct ReceivingWindow {
    std::string ghost;
    const char* window;
};

// {"t_ms":..., "via":..., "raw_b64":..., "script":..., "charset":..., "status":...,
//  "ghost":..., "window":...}
// status null when no answer was given; script and charset null when the
// request has no such header; ghost and window null for a request without a
// window (over TCP). A byte of script, charset or ghost that is not part of
// valid UTF-8 is written as the code point of the same number (raw_b64 has
// the request's bytes as they came). Never throws for any request.
std::string record_line(double t_ms, const char* via, const std::string& request,
                        std::optional<long> status,
                        const std::optional<ReceivingWindow>& receiver = std::nullopt);

std::string base64(const std::string& bytes);

} // namespace lumivox::ghost
