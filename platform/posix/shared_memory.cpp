#include "platform/shared_memory.h"

#include "platform/syscalls.h"

#include <sys/mman.h>

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
        munmap(const_cast<char*>(view.data), view.size);
    view = SharedView{};
}

} // namespace lumivox::platform
