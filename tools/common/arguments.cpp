#include "tools/common/arguments.h"

#ifdef _WIN32
#include "tools/common/wide_text.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#endif

namespace lumivox::tools {

#ifdef _WIN32
std::vector<std::string> utf8_arguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(narrow(wide[i]));
    LocalFree(wide);
    return arguments;
}
#else
std::vector<std::string> utf8_arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}
#endif

} // namespace lumivox::tools
