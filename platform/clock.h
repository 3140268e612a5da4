// The component's millisecond tick: GetTickCount on Windows, a monotonic
// clock elsewhere. Both wrap at 2^32.
#pragma once

#include <cstdint>

namespace lumivox::platform {

uint32_t tick_count();

// Test seam: every later reading is shifted by offset (mod 2^32), so that a
// test can start the counter just before its wrap.
void set_tick_offset(uint32_t offset);

} // namespace lumivox::platform
