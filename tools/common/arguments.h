// The program's arguments as UTF-8, whatever the C runtime hands main.
#pragma once

#include <string>
#include <vector>

namespace lumivox::tools {

// argv without the program's name. On Windows main gets its arguments in
// the ANSI code page, which cannot hold every ghost's name: they are read
// again from the wide command line.
std::vector<std::string> utf8_arguments(int argc, char** argv);

} // namespace lumivox::tools
