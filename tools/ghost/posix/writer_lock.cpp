// The writer lock is a named semaphore of value 1: "SakuraFMO" is
// "/SakuraFMO", which readers open by that name.
#include "tools/ghost/ghost_platform.h"

#include "platform/posix/deadline.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <semaphore.h>
#include <string>

namespace lumivox::ghost {

namespace {

std::string lock_path(const char* name) {
    return std::string("/") + name;
}

} // namespace

// One left behind by a host that died holding it would never be given back:
// a fresh one replaces it.
uintptr_t writer_lock_open(const char* name) {
    std::string path = lock_path(name);
    sem_unlink(path.c_str());
    sem_t* lock = sem_open(path.c_str(), O_CREAT, 0600, 1);
    return lock == SEM_FAILED ? 0 : reinterpret_cast<uintptr_t>(lock);
}

void writer_lock_close(const char* name, uintptr_t lock) {
    if (lock == 0)
        return;
    sem_close(reinterpret_cast<sem_t*>(lock));
    sem_unlink(lock_path(name).c_str());
}

bool writer_lock_take(uintptr_t lock, int timeout_ms) {
    if (lock == 0)
        return false;
    timespec deadline =
        platform::deadline_after(static_cast<uint32_t>(timeout_ms < 0 ? 0 : timeout_ms));
    int waited;
    do
        waited = sem_timedwait(reinterpret_cast<sem_t*>(lock), &deadline);
    while (waited != 0 && errno == EINTR);
    return waited == 0;
}

void writer_lock_release(uintptr_t lock) {
    if (lock != 0)
        sem_post(reinterpret_cast<sem_t*>(lock));
}

} // namespace lumivox::ghost
