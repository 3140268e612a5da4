// What the tests ask of state the component keeps private. Each question is
// answered by the file that holds the state; nothing but the tests asks.
#pragma once

#include "platform/wait.h"

namespace lumivox {

// Whether the network library is loaded.
bool tcp_loaded();

} // namespace lumivox

namespace lumivox::platform {

#ifdef _WIN32
// Whether timer_create made a high-resolution timer (not a plain one, which
// fires on the scheduler's tick).
bool timer_high_resolution(const Timer* timer);
#endif

} // namespace lumivox::platform
