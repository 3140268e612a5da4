#include "component/open_page.h"

#include "component/dark_mode.h"

#include <new>

namespace lumivox {

OpenPage* OpenPage::open(WindowHandle parent, PageCallback* callback, bool stores_on_destroy) {
    auto* page = new (std::nothrow) OpenPage(callback, stores_on_destroy);
    if (page == nullptr) {
        if (callback != nullptr)
            callback->release();
        return nullptr;
    }
    create_page_window(parent, page);
    return page;
}

OpenPage::~OpenPage() {
    if (callback_ != nullptr)
        callback_->release();
}

int OpenPage::release() {
    int left = --references_;
    if (left == 0)
        delete this;
    return left;
}

int OpenPage::add_reference() {
    return ++references_;
}

uint32_t OpenPage::state() {
    uint32_t flags = page_resettable | page_dark_mode;
    if (controls_ != nullptr && page_differs(*controls_))
        flags |= page_changed;
    return flags;
}

// The host calls state again to light or grey its Apply button.
void OpenPage::notify() {
    if (callback_ != nullptr)
        callback_->on_state_changed();
}

void OpenPage::apply() {
    if (controls_ == nullptr)
        return;
    store_page(*controls_);
    notify();
}

void OpenPage::reset() {
    if (controls_ == nullptr)
        return;
    filling_ = true;
    show_defaults(*controls_);
    filling_ = false;
    notify();
}

void OpenPage::window_created(WindowHandle window, PageControls& controls) {
    add_reference();
    window_ = window;
    controls_ = &controls;
    filling_ = true;
    fill_page(controls);
    filling_ = false;
    dark_mode_ = follow_dark_mode(window);
}

void OpenPage::command(uintptr_t command) {
    if (controls_ == nullptr)
        return;
    page_command(*controls_, command);
    if (!filling_ && is_setting_change(command))
        notify();
}

void OpenPage::window_destroyed() {
    if (controls_ != nullptr && stores_on_destroy_)
        store_page(*controls_);
    controls_ = nullptr;
    window_ = 0;
    if (dark_mode_ != nullptr)
        dark_mode_->release();
    dark_mode_ = nullptr;
    release();
}

} // namespace lumivox
