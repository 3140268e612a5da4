// A ghost that lets a delivery run into its time limit is taken to be hung
// for a while: later deliveries to it fail at once instead of holding the
// caller, and with it the scheduler's lock, for another full wait each. The
// host's stop, seek and exit then return within about one time limit even
// when every step of them has a request to send.
#pragma once

#include <atomic>
#include <cstdint>

namespace lumivox {

// How long a ghost counts as hung after a delivery timed out.
constexpr uint32_t hung_ghost_ms = 5000;

// One per transport; target names the ghost (a window, or 0 for TCP).
struct HungGhost {
    std::atomic<bool> hung{false};
    std::atomic<uintptr_t> target{0};
    std::atomic<uint32_t> since{0};
};

// True while target counts as hung.
bool ghost_still_hung(HungGhost& state, uintptr_t target);

// Records the outcome of a delivery to target that began at started (a
// platform tick): a failure that took the whole time limit marks it hung,
// a success clears the mark.
void note_delivery(HungGhost& state, uintptr_t target, uint32_t started, bool delivered,
                   int timeout_ms);

} // namespace lumivox
