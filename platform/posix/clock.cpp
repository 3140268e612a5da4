#include "platform/clock.h"

#include <atomic>
#include <ctime>

namespace lumivox::platform {

namespace {
std::atomic<uint32_t> tick_offset{0};
}

uint32_t tick_count() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms) + tick_offset.load();
}

void set_tick_offset(uint32_t offset) {
    tick_offset.store(offset);
}

} // namespace lumivox::platform
