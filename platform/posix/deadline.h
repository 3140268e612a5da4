// sem_timedwait's deadline, which is on the real-time clock.
#pragma once

#include <cstdint>
#include <ctime>

namespace lumivox::platform {

inline timespec deadline_after(uint32_t ms) {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    t.tv_sec += static_cast<time_t>(ms / 1000);
    t.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) {
        t.tv_nsec -= 1000000000L;
        ++t.tv_sec;
    }
    return t;
}

} // namespace lumivox::platform
