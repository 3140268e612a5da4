// The tick of track position 0, shared by the lyric lookup, the scheduler and
// its worker.
#pragma once

#include <atomic>
#include <cstdint>

namespace lumivox {

// Tick of the platform clock that stands for position 0 of the playing
// track. Set by the lyric lookup when a new track begins, and by
// resynchronisation from a reported position; read by the worker.
extern std::atomic<uint32_t> start_tick;

} // namespace lumivox
