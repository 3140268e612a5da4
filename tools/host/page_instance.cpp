// What the player holds of an open page, on either lane: the instance, the
// callback it hands the page, and the opening through instantiate or create.
#include "tools/host/page_instance.h"

namespace lumivox::tools {

namespace {

// The player's callback: it counts the page's references and its calls.
class StateCallback final : public preferences_page_callback {
  public:
    int service_release() override { return --references; }
    int service_add_ref() override { return ++references; }
    bool service_query(service_base**, const guid&) override { return false; }
    void on_state_changed() override { ++notifications; }

    int references = 0;
    int notifications = 0;
} callback;

preferences_page_instance* instance = nullptr;
ClosedPage closed;

} // namespace

window_handle open_page_window(preferences_page* service, window_handle parent,
                               PageProtocol protocol, std::string& error) {
    callback.notifications = 0;
    closed = {};
    if (protocol == PageProtocol::create) {
        window_handle window = service->create(parent);
        if (window == nullptr)
            error = "the component created no preferences page";
        return window;
    }
    service_base* found = nullptr;
    if (!service->service_query(&found, preferences_page_v3_class) || found == nullptr) {
        error = "the preferences page does not answer preferences_page_v3";
        return nullptr;
    }
    auto* page = static_cast<preferences_page_v3*>(found);
    bool answered = false;
    instance = instantiate_page(page, parent, &callback, answered);
    page->service_release();
    if (!answered) {
        error = "instantiate did not answer the result pointer it was given";
        return nullptr;
    }
    if (instance == nullptr) {
        error = "instantiate answered no instance";
        return nullptr;
    }
    window_handle window = instance->get_wnd();
    if (window == nullptr) {
        error = "the page's instance has no window";
        release_page_instance();
    }
    return window;
}

void page_window_destroyed() {
    closed.callback_references_at_destroy = callback.references;
}

void release_page_instance() {
    if (instance == nullptr)
        return;
    closed.instance_release = instance->service_release();
    closed.callback_references = callback.references;
    instance = nullptr;
}

uint32_t page_state() {
    return instance != nullptr ? instance->get_state() : 0;
}

int state_notifications() {
    return callback.notifications;
}

void apply_page() {
    if (instance != nullptr)
        instance->apply();
}

void reset_page() {
    if (instance != nullptr)
        instance->reset();
}

ClosedPage last_closed_page() {
    return closed;
}

} // namespace lumivox::tools
