#include "tools/ghost/ghost_platform.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace lumivox::ghost {

namespace {

const char object_name[] = "/Sakura";

bool write_all(int fd, const char* bytes, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, bytes, size);
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

} // namespace

// A new object replaces the old one rather than rewriting it, so that a
// reader still holding the old view never sees it shrink under it.
bool publish_shared_memory(const std::string& image) {
    withdraw_shared_memory();
    if (image.empty())
        return false;
    int fd = shm_open(object_name, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool written = write_all(fd, image.data(), image.size());
    close(fd);
    if (!written)
        withdraw_shared_memory();
    return written;
}

void withdraw_shared_memory() {
    shm_unlink(object_name);
}

} // namespace lumivox::ghost
