// The component-version and lifecycle services, and the component's
// registration at load and teardown at unload.
#pragma once

#include "base/version.h"

namespace lumivox {

inline constexpr const char component_name[] = "Lumivox";

// Creates the scheduler's objects and puts the services and settings into
// their lists, in that order; component_unload undoes it in reverse.
void component_load();
void component_unload();

} // namespace lumivox
