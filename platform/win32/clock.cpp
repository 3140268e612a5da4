#include "platform/clock.h"

#include <atomic>
#include <windows.h>

namespace lumivox::platform {

namespace {
std::atomic<uint32_t> tick_offset{0};
}

uint32_t tick_count() {
    return static_cast<uint32_t>(GetTickCount()) + tick_offset.load();
}

void set_tick_offset(uint32_t offset) {
    tick_offset.store(offset);
}

} // namespace lumivox::platform
