#include "platform/clock.h"

#include "platform/syscalls.h"

namespace lumivox::platform {

uint32_t tick_count() {
    return system_calls.tick_count();
}

} // namespace lumivox::platform
