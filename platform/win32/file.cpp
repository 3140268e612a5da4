#include "platform/file.h"

#include "platform/syscalls.h"

namespace lumivox::platform {

namespace {
constexpr uint32_t max_read = 0x7FFFFFFFu;
}

FileHandle file_open_read(const char* path) {
    return system_calls.file_open(path);
}

int32_t file_read(FileHandle file, void* buffer, uint32_t n) {
    if (n > max_read)
        n = max_read; // the count must fit the signed result
    return system_calls.file_read(file, buffer, n);
}

bool file_rewind(FileHandle file) {
    return system_calls.file_rewind(file);
}

void file_close(FileHandle file) {
    system_calls.file_close(file);
}

char path_separator() {
    return '\\';
}

} // namespace lumivox::platform
