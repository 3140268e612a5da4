// A mutual-exclusion lock: a critical section on Windows, a mutex elsewhere.
#pragma once

namespace lumivox::platform {

// Opaque storage large enough for either implementation; the lock is a
// module-level object, created and deleted explicitly.
struct Lock {
    alignas(8) unsigned char storage[64];
};

void lock_create(Lock& lock);
void lock_enter(Lock& lock);
void lock_leave(Lock& lock);
void lock_delete(Lock& lock);

} // namespace lumivox::platform
