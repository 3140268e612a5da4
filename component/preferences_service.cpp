// The preferences-page service: what the host asks of the page besides the
// page itself.
#include "component/entry.h"
#include "component/open_page.h"
#include "component/preferences.h"
#include "component/settings.h"

namespace lumivox {

namespace {

class PreferencesPage : public StaticService<PreferencesPageV3> {
  public:
    // Players since 1.0 ask for the newer page interfaces; the object is the
    // same. The output is the caller's pointer, given a reference of its own
    // as an assignment would.
    bool query(ServiceBase** out, const Guid& interface_id) override {
        if (!(interface_id == preferences_page_v2_class) &&
            !(interface_id == preferences_page_v3_class))
            return false;
        ServiceBase* old = *out;
        add_reference();
        *out = this;
        if (old != nullptr)
            old->release();
        return true;
    }
    WindowHandle create_page(WindowHandle parent) override {
        OpenPage* page = OpenPage::open(parent, nullptr, true);
        if (page == nullptr)
            return 0;
        // The window keeps the page until it is destroyed.
        WindowHandle window = page->window();
        page->release();
        return window;
    }
    const char* page_name() override { return preferences_page_name; }
    Guid* page_guid(Guid* out) override {
        *out = preferences_page_id;
        return out;
    }
    Guid* parent_guid(Guid* out) override {
        *out = preferences_parent_id;
        return out;
    }
    bool reset_query() override { return true; }
    // An old player's reset: the stored settings only. An open page keeps
    // what its controls show and stores that when it closes.
    void reset() override { reset_defaults(); }
    bool help_url(HostText* out) override {
        out->set(preferences_help_url, whole_text);
        return true;
    }
    double sort_priority() override { return 0; }
    // *out is the caller's uninitialised result: written, never read.
    PageInstance** instantiate(PageInstance** out, WindowHandle parent,
                               ByValue<PageCallback> callback) override {
        *out = OpenPage::open(parent, object_of<PageCallback>(callback), false);
        return out;
    }
};

constinit StaticEntry<PreferencesPage> entry(preferences_page_class);

} // namespace

ServiceEntry* preferences_page_entry() {
    return &entry;
}

} // namespace lumivox
