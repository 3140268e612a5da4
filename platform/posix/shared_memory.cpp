#include "platform/shared_memory.h"

#include <atomic>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumivox::platform {

namespace {
std::atomic<int> opens{0};
}

bool shared_memory_open(const char* name, SharedView& view) {
    ++opens;
    view = SharedView{};
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

void shared_memory_close(SharedView& view) {
    if (view.data != nullptr)
        munmap(const_cast<char*>(view.data), view.size);
    view = SharedView{};
}

int shared_memory_opens() {
    return opens.load();
}

} // namespace lumivox::platform
