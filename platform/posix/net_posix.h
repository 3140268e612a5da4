// Counters of the socket-library substitute, for tests on this lane.
#pragma once

namespace lumivox::platform {

int net_startups();
int net_cleanups();

} // namespace lumivox::platform
