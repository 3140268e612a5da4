#include "platform/shared_memory.h"

#include "platform/win32/object_name.h"

#include <windows.h>

namespace lumivox::platform {

void shared_memory_close(SharedView& view) {
    if (view.data != nullptr)
        UnmapViewOfFile(view.data);
    if (view.handle != 0)
        CloseHandle(reinterpret_cast<HANDLE>(view.handle));
    view = SharedView{};
}

uintptr_t shared_lock_take(const char* name, uint32_t wait_ms) {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, object_name(name).c_str());
    if (mutex == nullptr)
        return 0;
    DWORD waited = WaitForSingleObject(mutex, wait_ms);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
        return reinterpret_cast<uintptr_t>(mutex);
    CloseHandle(mutex);
    return 0;
}

void shared_lock_release(uintptr_t lock) {
    if (lock == 0)
        return;
    auto mutex = reinterpret_cast<HANDLE>(lock);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

} // namespace lumivox::platform
