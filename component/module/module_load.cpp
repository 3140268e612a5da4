// Only in the component module: registration runs when the module is
// loaded, before the host can call the entry point, and teardown when it is
// unloaded.
#include "component/services.h"

namespace {

struct ModuleLifetime {
    ModuleLifetime() { lumivox::component_load(); }
    ~ModuleLifetime() { lumivox::component_unload(); }
    ModuleLifetime(const ModuleLifetime&) = delete;
    ModuleLifetime& operator=(const ModuleLifetime&) = delete;
} lifetime;

} // namespace
