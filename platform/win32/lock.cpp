#include "platform/lock.h"

#include <windows.h>

namespace lumivox::platform {

namespace {
CRITICAL_SECTION* section(Lock& lock) {
    return reinterpret_cast<CRITICAL_SECTION*>(lock.storage);
}
static_assert(sizeof(CRITICAL_SECTION) <= sizeof(Lock::storage));
} // namespace

void lock_create(Lock& lock) {
    InitializeCriticalSection(section(lock));
}
void lock_enter(Lock& lock) {
    EnterCriticalSection(section(lock));
}
void lock_leave(Lock& lock) {
    LeaveCriticalSection(section(lock));
}
void lock_delete(Lock& lock) {
    DeleteCriticalSection(section(lock));
}

} // namespace lumivox::platform
