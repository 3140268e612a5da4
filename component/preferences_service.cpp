// The preferences-page service: what the host asks of the page besides the
// page itself.
#include "component/entry.h"
#include "component/preferences.h"
#include "component/settings.h"

namespace lumivox {

namespace {

class PreferencesPage : public StaticService<PreferencesPageService> {
  public:
    WindowHandle create_page(WindowHandle parent) override { return create_page_window(parent); }
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
    // An open page keeps what its controls show and stores that when it
    // closes.
    void reset() override { reset_defaults(); }
    bool help_url(HostText* out) override {
        out->set(preferences_help_url, whole_text);
        return true;
    }
};

constinit StaticEntry<PreferencesPage> entry(preferences_page_class);

} // namespace

ServiceEntry* preferences_page_entry() {
    return &entry;
}

} // namespace lumivox
