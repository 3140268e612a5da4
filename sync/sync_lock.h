// The component's one lock, and the scheduler's objects created at load.
#pragma once

#include "platform/lock.h"

namespace lumivox {

// Serialises every send made beside the scheduler with the transport switch
// and the scheduler's handlers.
extern platform::Lock sync_lock;

// Created once at load, before anything else can use them; destroyed at
// unload after the network library has been released.
void sync_objects_create();
void sync_objects_destroy();

} // namespace lumivox
