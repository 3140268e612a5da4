#include "component/dark_mode.h"

#include "component/entry.h"

namespace lumivox {

DarkModeObject* follow_dark_mode(WindowHandle dialog) {
    HostApi* api = host_api;
    if (api == nullptr)
        return nullptr;
    ServiceClass service_class = api->find_service_class(dark_mode_class);
    if (service_class == nullptr)
        return nullptr;
    ServiceBase* found = nullptr;
    if (!api->create_instance(&found, service_class, 0) || found == nullptr)
        return nullptr;
    auto* service = static_cast<DarkModeService*>(found);
    DarkModeObject* object = nullptr;
    service->create_auto(&object);
    service->release();
    if (object != nullptr) {
        object->add_dialog(dialog);
        object->add_controls(dialog);
    }
    return object;
}

} // namespace lumivox
