#include "platform/shared_memory.h"

#include "platform/syscalls.h"

#include <windows.h>

namespace lumivox::platform {

bool shared_memory_open(const char* name, SharedView& view) {
    view = SharedView{};
    if (system_calls.shared_memory_open(name, view))
        return true;
    view = SharedView{};
    return false;
}

void shared_memory_close(SharedView& view) {
    if (view.data != nullptr)
        UnmapViewOfFile(view.data);
    if (view.handle != 0)
        CloseHandle(reinterpret_cast<HANDLE>(view.handle));
    view = SharedView{};
}

} // namespace lumivox::platform
