// The component's settings for the checker: their defaults, or a
// configuration blob kept in a file, as the substitute host keeps it.
#pragma once

#include <string>

namespace lumivox::lyrics {

// Registers the settings at their defaults and, when path is not empty,
// applies the blob in that file. False with a message when the file cannot
// be read or does not read as a blob.
bool load_settings(const std::string& path, std::string& error);

} // namespace lumivox::lyrics
