// Drives the component as the player would: host start, playback events,
// host exit, with the configuration kept in a file.
#pragma once

#include "tools/host/scenario.h"
#include "tools/host/session.h"

#include <string>
#include <vector>

namespace lumivox::tools {

// Each returns 0 on success; on failure prints a message and returns non-zero
// after leaving the component exited and unloaded.
int run_scenario(const RunOptions& options, const std::vector<Step>& steps);
int play_files(const RunOptions& options, const std::vector<std::string>& files);

} // namespace lumivox::tools
