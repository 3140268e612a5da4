#include "tools/ghost/ghost_platform.h"

#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace lumivox::ghost {

namespace {

std::string object_path(const char* name) {
    return std::string("/") + name;
}

} // namespace

// A new object replaces the old one rather than resizing it, so that a
// reader still holding the old view never sees it shrink under it.
bool object_publish(const char* name, size_t size, SharedObject& object) {
    object_withdraw(name, object);
    if (size == 0)
        return false;
    std::string path = object_path(name);
    int fd = shm_open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    void* view = MAP_FAILED;
    if (ftruncate(fd, static_cast<off_t>(size)) == 0)
        view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (view == MAP_FAILED) {
        shm_unlink(path.c_str());
        return false;
    }
    object.view = static_cast<char*>(view);
    object.size = size;
    return true;
}

// The name goes even when this host never made the object: one left behind
// by a host that died would otherwise still be read.
void object_withdraw(const char* name, SharedObject& object) {
    if (object.view != nullptr)
        munmap(object.view, object.size);
    object = SharedObject{};
    shm_unlink(object_path(name).c_str());
}

} // namespace lumivox::ghost
