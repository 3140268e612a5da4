// Reading a named shared-memory object that another program publishes: a
// file mapping on Windows, a POSIX shared-memory object elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumivox::platform {

// A read-only view of a whole shared-memory object.
struct SharedView {
    const char* data = nullptr;
    // Bytes that may be read from data: the view's size as the system reports
    // it (VirtualQuery on Windows, the object's size elsewhere).
    size_t size = 0;
    uintptr_t handle = 0;
};

// Opens the object called name ("Sakura" is the mapping "Sakura" on Windows
// and "/Sakura" elsewhere) for reading and maps all of it. False when there is
// no such object or it cannot be mapped; nothing stays open then.
bool shared_memory_open(const char* name, SharedView& view);
// Unmaps the view and closes the object.
void shared_memory_close(SharedView& view);

// The lock a writer of the object holds while it writes ("SakuraFMO" for
// "Sakura"): a named mutex on Windows, a named semaphore of value 1 elsewhere.
// Waits at most wait_ms for it. 0 when there is no such lock (older writers
// have none) or the wait timed out; the caller then reads without it. A
// mutex its last owner abandoned counts as taken.
uintptr_t shared_lock_take(const char* name, uint32_t wait_ms);
// Gives back a lock that shared_lock_take took; 0 is ignored.
void shared_lock_release(uintptr_t lock);

} // namespace lumivox::platform
