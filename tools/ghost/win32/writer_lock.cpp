// The writer lock is a named mutex, which readers open by its name.
#include "tools/ghost/ghost_platform.h"

#include <string>
#include <windows.h>

namespace lumivox::ghost {

uintptr_t writer_lock_open(const char* name) {
    std::wstring wide(name, name + std::char_traits<char>::length(name));
    return reinterpret_cast<uintptr_t>(CreateMutexW(nullptr, FALSE, wide.c_str()));
}

void writer_lock_close(const char*, uintptr_t lock) {
    if (lock != 0)
        CloseHandle(reinterpret_cast<HANDLE>(lock));
}

// A mutex whose owner ended without giving it back is ours all the same.
bool writer_lock_take(uintptr_t lock, int timeout_ms) {
    if (lock == 0)
        return false;
    DWORD waited =
        WaitForSingleObject(reinterpret_cast<HANDLE>(lock), static_cast<DWORD>(timeout_ms));
    return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

void writer_lock_release(uintptr_t lock) {
    if (lock != 0)
        ReleaseMutex(reinterpret_cast<HANDLE>(lock));
}

} // namespace lumivox::ghost
