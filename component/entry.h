// The component's entry point, its client object and its service list.
#pragma once

#include "component/service_api.h"
#include "component/text_buffer.h"

namespace lumivox {

// Set by the entry point; read by the playback handlers and the page.
extern HostApi* host_api;
extern void* module_handle;
// The component's own file name, as the host tells it.
extern TextBuffer& library_name;

ComponentClient* component_client();

// A new instance of the player's service of the class, or nullptr when the
// player has none or no player has loaded the component.
template <typename Service> Service* obtain_host_service(const Guid& class_id) {
    HostApi* api = host_api;
    if (api == nullptr)
        return nullptr;
    ServiceClass service_class = api->find_service_class(class_id);
    if (service_class == nullptr)
        return nullptr;
    ServiceBase* service = nullptr;
    if (!api->create_instance(&service, service_class, 0) || service == nullptr)
        return nullptr;
    return static_cast<Service*>(service);
}

// Puts an entry at the front of the service list.
void push_service_entry(ServiceEntry* entry);

// Operations 0-2 of the component's service objects: single static objects
// that count no references.
template <typename Interface> class StaticService : public Interface {
  public:
    int release() override { return 1; }
    int add_reference() override { return 1; }
    bool query(ServiceBase**, const Guid&) override { return false; }
};

// A list entry that holds its service object inside it. Entries are linked
// by the module's start-up code in another file; defined constinit, they are
// complete before any start-up code runs, and no later constructor can undo
// the links.
template <typename Service> class StaticEntry final : public ServiceEntry {
  public:
    explicit constexpr StaticEntry(const Guid& id) { class_id = &id; }
    void obtain_instance(ServiceBase** out) override {
        *out = &service;
        service.add_reference();
    }
    Service service;
};

} // namespace lumivox

extern "C" lumivox::ComponentClient* foobar2000_get_interface(lumivox::HostApi* host_api,
                                                              void* module_handle);
