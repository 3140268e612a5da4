#include "component/dark_mode.h"

#include "component/entry.h"

namespace lumivox {

DarkModeObject* follow_dark_mode(WindowHandle dialog) {
    auto* service = obtain_host_service<DarkModeService>(dark_mode_class);
    if (service == nullptr)
        return nullptr;
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
