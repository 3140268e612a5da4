// What load creates for the scheduler and unload destroys: its event, its
// line timer, and the component's one lock.
#pragma once

#include "platform/component_lock.h"
#include "platform/lock.h"

namespace lumivox {

// The player's turn at driving the scheduler (sync/download.h).
extern platform::Lock player_turn;

// Created once at load, before anything else can use them: the scheduler's
// event, then its timer, then the locks. Destroyed at unload: the download's
// worker ends, then the run's, the network library is released, then the
// event and timer are closed and the locks are deleted.
void sync_objects_create();
void sync_objects_destroy();

} // namespace lumivox
