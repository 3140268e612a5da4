// What load creates for the scheduler and unload destroys: its event, its
// line timer, and the component's one lock.
#pragma once

#include "platform/lock.h"

namespace lumivox {

// Serialises every send made beside the scheduler with the transport switch
// and the scheduler's handlers.
extern platform::Lock sync_lock;

// Created once at load, before anything else can use them: the scheduler's
// event, then its timer, then the lock. Destroyed at unload: the run's worker
// ends, the network library is released, then the event and timer are closed
// and the lock is deleted.
void sync_objects_create();
void sync_objects_destroy();

} // namespace lumivox
