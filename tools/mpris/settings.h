// Where lumivox-mpris keeps the component's settings, and how a new settings
// file starts: with "Use Direct SSTP" off, since the mascot hosts on Linux
// answer only over TCP.
#pragma once

#include "tools/host/session.h"

#include <string>

namespace lumivox::mpris {

// $XDG_CONFIG_HOME/lumivox/settings.bin, or ~/.config/lumivox/settings.bin
// when that is not set; its folder is created. False with a message when
// neither variable is set or the folder cannot be made.
bool default_settings_path(std::string& path, std::string& error);

// Whether no settings file is there yet.
bool settings_are_new(const std::string& path);

// For a new settings file, after enter: turns Direct SSTP off through the
// preferences page and writes the file at once. False with a message.
bool start_new_settings(tools::HostState& host, std::string& error);

} // namespace lumivox::mpris
