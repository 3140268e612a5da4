#include "platform/syscalls.h"

#include "platform/posix/socket_library.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumivox::platform {

namespace {

uint32_t monotonic_ms() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

// CreateFile refuses directories; so does this substitute.
FileHandle open_regular_file(const char* path) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return no_file;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return no_file;
    }
    return fd;
}

int32_t read_file(FileHandle file, void* buffer, uint32_t n) {
    for (;;) {
        ssize_t got = ::read(static_cast<int>(file), buffer, n);
        if (got >= 0)
            return static_cast<int32_t>(got);
        if (errno != EINTR)
            return -1;
    }
}

bool rewind_file(FileHandle file) {
    return ::lseek(static_cast<int>(file), 0, SEEK_SET) == 0;
}

void close_file(FileHandle file) {
    ::close(static_cast<int>(file));
}

// "Sakura" is the object "/Sakura" here.
bool map_shared_memory(const char* name, SharedView& view) {
    std::string path = std::string("/") + name;
    int fd = shm_open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return false;
    struct stat info {};
    void* base = MAP_FAILED;
    if (fstat(fd, &info) == 0 && info.st_size > 0)
        base = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_SHARED, fd, 0);
    close(fd);
    if (base == MAP_FAILED)
        return false;
    view.data = static_cast<const char*>(base);
    view.size = static_cast<size_t>(info.st_size);
    return true;
}

// Constant: the table is in use before any dynamic initialisation runs.
constexpr SystemCalls lane_calls = {
    .tick_count = &monotonic_ms,
    .file_open = &open_regular_file,
    .file_read = &read_file,
    .file_rewind = &rewind_file,
    .file_close = &close_file,
    .library_load = &socket_library_load,
    .library_symbol = &socket_library_symbol,
    .library_free = &socket_library_free,
    .shared_memory_open = &map_shared_memory,
};

} // namespace

const SystemCalls real_calls = lane_calls;
constinit SystemCalls system_calls = lane_calls;

} // namespace lumivox::platform
