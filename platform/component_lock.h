// The component's one lock. It serialises every send made beside the
// scheduler with the transport switch and the scheduler's handlers, so the
// transport (sstp/) and the scheduler (sync/) both take it; it is created
// and deleted with the scheduler's objects (sync/sync_objects.h).
#pragma once

#include "platform/lock.h"

namespace lumivox {

extern platform::Lock sync_lock;

} // namespace lumivox
