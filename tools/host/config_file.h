// The configuration blob kept in a file: handed to the component after entry
// and written from it at exit.
#pragma once

#include "tools/host/player_api.h"

#include <string>

namespace lumivox::tools {

// A missing file hands in nothing. False with a message when the file cannot
// be read or the component's reading of it failed part-way.
bool read_config_file(foobar2000_client* client, const std::string& path, std::string& error);
bool write_config_file(foobar2000_client* client, const std::string& path, std::string& error);

} // namespace lumivox::tools
