#include "sync/sync_state.h"

namespace lumivox {

std::atomic<uint32_t> start_tick{0};

} // namespace lumivox
