// The checker's report for people (a table) and for tools (JSON).
#pragma once

#include "tools/lyrics/checker.h"

#include <string>

namespace lumivox::lyrics {

// subject: the track or the file the report is about.
std::string report_text(const std::string& subject, const Report& report, bool show_lines);
std::string report_json(const std::string& subject, const Report& report, bool show_lines);

// "00:02.500"; negative times keep their sign.
std::string clock_time(int32_t ms);

} // namespace lumivox::lyrics
