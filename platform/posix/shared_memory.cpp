#include "platform/shared_memory.h"

#include "platform/posix/deadline.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <semaphore.h>
#include <string>
#include <sys/mman.h>

namespace lumivox::platform {

void shared_memory_close(SharedView& view) {
    if (view.data != nullptr)
        munmap(const_cast<char*>(view.data), view.size);
    view = SharedView{};
}

// "SakuraFMO" is the semaphore "/SakuraFMO" here.
uintptr_t shared_lock_take(const char* name, uint32_t wait_ms) {
    std::string path = std::string("/") + name;
    sem_t* lock = sem_open(path.c_str(), 0);
    if (lock == SEM_FAILED)
        return 0;
    timespec deadline = deadline_after(wait_ms);
    int waited;
    do
        waited = sem_timedwait(lock, &deadline);
    while (waited != 0 && errno == EINTR);
    if (waited == 0)
        return reinterpret_cast<uintptr_t>(lock);
    sem_close(lock);
    return 0;
}

void shared_lock_release(uintptr_t lock) {
    if (lock == 0)
        return;
    auto* semaphore = reinterpret_cast<sem_t*>(lock);
    sem_post(semaphore);
    sem_close(semaphore);
}

} // namespace lumivox::platform
