// UTF-8 texts to and from the UTF-16 that the wide Windows calls take.
#pragma once

#ifdef _WIN32
#include <string>
#include <string_view>
#include <windows.h>

namespace lumivox::tools {

// A null text is the empty one.
inline std::wstring widen(const char* text) {
    int units = text != nullptr ? MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0) : 0;
    if (units <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), units);
    wide.resize(static_cast<size_t>(units - 1));
    return wide;
}

inline std::wstring widen(const std::string& text) {
    return widen(text.c_str());
}

inline std::string narrow(std::wstring_view wide) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
    if (bytes <= 0)
        return std::string();
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), bytes,
                        nullptr, nullptr);
    return utf8;
}

} // namespace lumivox::tools
#endif
