#include "component/entry.h"

#include "component/settings.h"

namespace lumivox {

HostApi* host_api = nullptr;
void* module_handle = nullptr;
namespace {
constinit StaticTextBuffer library_name_storage;
}
constinit TextBuffer& library_name = library_name_storage.text;

namespace {

ServiceEntry* head = nullptr;

class Client final : public ComponentClient {
  public:
    uint32_t interface_version() override { return client_interface_version; }
    ServiceEntry* service_list() override { return head; }
    void write_configuration(HostOutputStream* stream, HostAbortToken* abort) override {
        write_blob(*stream, *abort);
    }
    void read_configuration(HostInputStream* stream, HostAbortToken* abort) override {
        read_blob(*stream, *abort);
    }
    void set_library_path(const char*, const char* second) override {
        library_name.set(second, whole_text);
    }
    void services_initialised(bool) override {}
    bool is_debug_build() override { return false; }
} client;

} // namespace

ComponentClient* component_client() {
    return &client;
}

void push_service_entry(ServiceEntry* entry) {
    entry->next = head;
    head = entry;
}

} // namespace lumivox

extern "C" lumivox::ComponentClient* foobar2000_get_interface(lumivox::HostApi* api, void* module) {
    lumivox::host_api = api;
    lumivox::module_handle = module;
    return lumivox::component_client();
}
