// Names of the system's named objects, which are plain ASCII, as Win32's
// wide-character calls take them.
#pragma once

#include <string>

namespace lumivox::platform {

inline std::wstring object_name(const char* name) {
    std::wstring wide;
    for (const char* p = name; *p != '\0'; ++p)
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
    return wide;
}

} // namespace lumivox::platform
