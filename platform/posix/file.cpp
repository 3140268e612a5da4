#include "platform/file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumivox::platform {

namespace {

constexpr uint32_t max_read = 0x7FFFFFFFu;

void (*open_observer)(const char* path) = nullptr;

int as_fd(FileHandle file) {
    return static_cast<int>(file);
}

} // namespace

// POSIX has no mandatory share modes: a writer may still change the file
// between the passes. The loader does not rely on both passes seeing the
// same bytes for its safety, only for a meaningful result.
FileHandle file_open_read(const char* path) {
    if (open_observer != nullptr)
        open_observer(path);
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return no_file;
    // CreateFile refuses directories; so does this substitute.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return no_file;
    }
    return fd;
}

int32_t file_read(FileHandle file, void* buffer, uint32_t n) {
    if (n > max_read)
        n = max_read; // the count must fit the signed result
    for (;;) {
        ssize_t got = ::read(as_fd(file), buffer, n);
        if (got >= 0)
            return static_cast<int32_t>(got);
        if (errno != EINTR)
            return -1;
    }
}

bool file_rewind(FileHandle file) {
    return ::lseek(as_fd(file), 0, SEEK_SET) == 0;
}

void file_close(FileHandle file) {
    ::close(as_fd(file));
}

char path_separator() {
    return '/';
}

void set_file_open_observer(void (*observer)(const char* path)) {
    open_observer = observer;
}

} // namespace lumivox::platform
