// Loading the component module and reaching it only through its exported
// entry point and the operation tables it hands back.
#pragma once

#include "tools/host/player_api.h"

#include <string>

namespace lumivox::tools {

struct LoadedModule {
    void* handle = nullptr;
    foobar2000_client* client = nullptr;
};

// Loads the module, calls its entry point with the host API and keeps the
// client. False with a message when the module or its export is missing.
bool load_component(const std::string& path, foobar2000_api* api, LoadedModule& out,
                    std::string& error);
void unload_component(LoadedModule& module);

// Walks the service list for the first entry of the class and obtains its
// instance; nullptr when the component offers none.
service_base* obtain_service(foobar2000_client* client, const guid& class_id);

// Where the module is expected when --component is not given: beside the host.
std::string default_component_path(const char* argv0);

} // namespace lumivox::tools
