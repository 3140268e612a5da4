// What the host process holds: its threads and its open handles (file
// descriptors on Linux), to show that the component leaves none behind.
#pragma once

#include <string>

namespace lumivox::tools {

// "threads N, handles M"
std::string process_resources();

} // namespace lumivox::tools
