// --trace: one line per event on standard error, stamped with the monotonic
// clock in milliseconds.
#pragma once

#include <string>

namespace lumivox::tools {

void enable_trace(bool on);
void trace(const std::string& line);

} // namespace lumivox::tools
