#include "tools/ghost/ghost_platform.h"

#include <windows.h>

namespace lumivox::ghost {

uint32_t host_process_id() {
    return GetCurrentProcessId();
}

// By way of UTF-16, with the code page's default character for what it
// lacks, as a mascot host converts a ghost's name.
std::string to_system_code_page(const std::string& utf8) {
    if (utf8.empty())
        return utf8;
    int length = static_cast<int>(utf8.size());
    int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (units <= 0)
        return std::string();
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), units);
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), units, out.data(), bytes, nullptr, nullptr);
    return out;
}

} // namespace lumivox::ghost
