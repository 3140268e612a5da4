// The active SSTP transport: Direct (the ghost's window) or TCP (port 9801).
#pragma once

#include "sstp/ghost_key.h"

#include <cstdint>

namespace lumivox {

// probe(ghost_key): non-zero when the ghost (or, with nullptr, any ghost)
// can be reached. deliver(buffer, length): 1 when the ghost accepted the
// request; buffer is a writable request buffer of 4096 bytes.
struct SstpTransport {
    int (*probe)(const GhostKey* ghost_key);
    int (*deliver)(char* buffer, int32_t length);
};

// Replaced whole, only under sync_lock. Empty until the first selection.
extern SstpTransport active_transport;

// Non-zero selects Direct, zero TCP. Selecting the active one does nothing.
void select_transport(int use_direct);

// Lets go of the network library once no request can be in flight: the
// component turned off, the player exiting, the component unloading. A
// later request through TCP loads it again.
void transport_shutdown();

} // namespace lumivox
