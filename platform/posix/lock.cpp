#include "platform/lock.h"

#include <pthread.h>

namespace lumivox::platform {

namespace {
pthread_mutex_t* mutex(Lock& lock) {
    return reinterpret_cast<pthread_mutex_t*>(lock.storage);
}
static_assert(sizeof(pthread_mutex_t) <= sizeof(Lock::storage));
} // namespace

// Recursive, as a Win32 critical section is.
void lock_create(Lock& lock) {
    pthread_mutexattr_t recursive;
    pthread_mutexattr_init(&recursive);
    pthread_mutexattr_settype(&recursive, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(mutex(lock), &recursive);
    pthread_mutexattr_destroy(&recursive);
}
void lock_enter(Lock& lock) {
    pthread_mutex_lock(mutex(lock));
}
void lock_leave(Lock& lock) {
    pthread_mutex_unlock(mutex(lock));
}
void lock_delete(Lock& lock) {
    pthread_mutex_destroy(mutex(lock));
}

} // namespace lumivox::platform
