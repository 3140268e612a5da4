// One open preferences page, from the creation of its window to its last
// release. The window holds a reference until it is destroyed and a host
// that instantiated the page holds another, so the page lives until both are
// done with it, in whichever order. A page made by create page (players
// before 1.0) stores the settings when its window is destroyed; an
// instance's page stores only on apply, so that destroying it alone is the
// host's Cancel.
#pragma once

#include "component/preferences.h"

namespace lumivox {

class OpenPage final : public PageInstance {
  public:
    // Creates the page's window under parent. Takes over the callback's
    // reference (nullptr for create page). Answers the page with one
    // reference, the caller's; nullptr when there is no memory for it.
    static OpenPage* open(WindowHandle parent, PageCallback* callback, bool stores_on_destroy);

    int release() override;
    int add_reference() override;
    bool query(ServiceBase**, const Guid&) override { return false; }
    uint32_t state() override;
    WindowHandle window() override { return window_; }
    void apply() override;
    void reset() override;

    // What the lane's window reports: its creation, once its controls exist
    // (the page fills them); each command from a control (WM_COMMAND's first
    // parameter); its destruction, while the controls still exist. The lane
    // touches nothing of the page after window_destroyed.
    void window_created(WindowHandle window, PageControls& controls);
    void command(uintptr_t command);
    void window_destroyed();

  private:
    OpenPage(PageCallback* callback, bool stores_on_destroy)
        : callback_(callback), stores_on_destroy_(stores_on_destroy) {}
    ~OpenPage();
    void notify();

    int references_ = 1;
    PageCallback* callback_;
    bool stores_on_destroy_;
    // Set while the page itself puts values into the controls.
    bool filling_ = false;
    WindowHandle window_ = 0;
    PageControls* controls_ = nullptr;
    DarkModeObject* dark_mode_ = nullptr;
};

// The lane's part: creates page's window under parent, not yet visible, and
// reports it to page; 0 when it cannot.
WindowHandle create_page_window(WindowHandle parent, OpenPage* page);

} // namespace lumivox
