// The monotonic clock in fractional milliseconds that the substitute host and
// the substitute mascot host both stamp their records with, so that their
// traces can be laid side by side.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#endif

namespace lumivox::tools {

inline double monotonic_ms() {
#ifdef _WIN32
    LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
#else
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
#endif
}

} // namespace lumivox::tools
