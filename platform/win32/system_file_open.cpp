#include "platform/win32/file_open.h"

#include <string>
#include <windows.h>

namespace lumivox::platform {

FileHandle open_file_for_reading(const char* path) {
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    if (units <= 0)
        return no_file;
    std::wstring wide(static_cast<size_t>(units), L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, wide.data(), units) <= 0)
        return no_file;
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return no_file;
    return reinterpret_cast<FileHandle>(handle);
}

} // namespace lumivox::platform
