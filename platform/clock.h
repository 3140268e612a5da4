// The component's millisecond tick: GetTickCount on Windows, a monotonic
// clock elsewhere. Both wrap at 2^32.
#pragma once

#include <cstdint>

namespace lumivox::platform {

uint32_t tick_count();

} // namespace lumivox::platform
