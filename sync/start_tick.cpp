#include "sync/start_tick.h"

namespace lumivox {

std::atomic<uint32_t> start_tick{0};

} // namespace lumivox
