#include "platform/file.h"

#include "component/host_api.h"

#include <windows.h>

namespace lumivox::platform {

namespace {

constexpr uint32_t max_read = 0x7FFFFFFFu;

void (*open_observer)(const char* path) = nullptr;

HANDLE as_handle(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

} // namespace

FileHandle file_open_read(const char* path) {
    if (open_observer != nullptr)
        open_observer(path);
    // Shared for reading only: nobody can write the file between the two
    // passes of the loader.
    HANDLE handle =
        uCreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return no_file;
    return reinterpret_cast<FileHandle>(handle);
}

int32_t file_read(FileHandle file, void* buffer, uint32_t n) {
    if (n > max_read)
        n = max_read; // the count must fit the signed result
    DWORD got = 0;
    if (!ReadFile(as_handle(file), buffer, n, &got, nullptr))
        return -1;
    return static_cast<int32_t>(got);
}

bool file_rewind(FileHandle file) {
    return SetFilePointer(as_handle(file), 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

void file_close(FileHandle file) {
    CloseHandle(as_handle(file));
}

char path_separator() {
    return '\\';
}

void set_file_open_observer(void (*observer)(const char* path)) {
    open_observer = observer;
}

} // namespace lumivox::platform
