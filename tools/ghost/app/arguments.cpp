#include "tools/ghost/app/arguments.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#endif

namespace lumivox::ghost {

#ifdef _WIN32
std::vector<std::string> utf8_arguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return arguments;
    for (int i = 1; i < count; ++i) {
        int bytes = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(bytes > 0 ? static_cast<size_t>(bytes) : 1, '\0');
        if (bytes > 0)
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, argument.data(), bytes, nullptr, nullptr);
        argument.pop_back(); // the NUL
        arguments.push_back(std::move(argument));
    }
    LocalFree(wide);
    return arguments;
}
#else
std::vector<std::string> utf8_arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}
#endif

} // namespace lumivox::ghost
