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

// {"t_ms":..., "via":..., "raw_b64":..., "script":..., "charset":..., "status":...}
// status null when no answer was given; script and charset null when the
// request has no such header. A byte of script or charset that is not part
// of valid UTF-8 is written as the code point of the same number (raw_b64
// has the request's bytes as they came). Never throws for any request.
std::string record_line(double t_ms, const char* via, const std::string& request,
                        std::optional<long> status);

std::string base64(const std::string& bytes);

} // namespace lumivox::ghost
