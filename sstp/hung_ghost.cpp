#include "sstp/hung_ghost.h"

#include "platform/clock.h"

namespace lumivox {

bool ghost_still_hung(HungGhost& state, uintptr_t target) {
    if (!state.hung.load() || state.target.load() != target)
        return false;
    if (platform::tick_count() - state.since.load() < hung_ghost_ms)
        return true;
    state.hung = false;
    return false;
}

void note_delivery(HungGhost& state, uintptr_t target, uint32_t started, bool delivered,
                   int timeout_ms) {
    if (delivered) {
        if (state.target.load() == target)
            state.hung = false;
        return;
    }
    uint32_t now = platform::tick_count();
    // A refusal answers quickly; only a wait that ran out means a hang. The
    // margin allows for a coarse tick.
    if (now - started + 50u < static_cast<uint32_t>(timeout_ms))
        return;
    state.target = target;
    state.since = now;
    state.hung = true;
}

} // namespace lumivox
