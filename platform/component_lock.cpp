#include "platform/component_lock.h"

namespace lumivox {

platform::Lock sync_lock;

} // namespace lumivox
