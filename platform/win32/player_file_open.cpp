#include "base/host_api.h"
#include "platform/win32/file_open.h"

#include <windows.h>

namespace lumivox::platform {

FileHandle open_file_for_reading(const char* path) {
    HANDLE handle =
        uCreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return no_file;
    return reinterpret_cast<FileHandle>(handle);
}

} // namespace lumivox::platform
