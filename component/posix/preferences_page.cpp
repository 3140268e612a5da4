// The preferences page without Win32: a model of dialog 101's controls that
// the host works through PageWindow. The steps and rules are the shared ones;
// the model only holds what the dialog's controls would, and tells the page
// of each change with the command the dialog's control would send.
#include "component/open_page.h"
#include "component/preferences_layout.h"

#include <new>
#include <string>
#include <vector>

namespace lumivox {

namespace {

struct Control {
    const ControlLayout* layout;
    std::string text;
    bool checked = false;
    bool enabled = true;
    bool read_only = false;
    std::vector<std::string> entries;
    int32_t selection = -1;
};

class Page final : public PageWindow, public PageControls {
  public:
    explicit Page(OpenPage* open) : open_(open) {
        for (int i = 0; i < page_control_count; ++i) {
            controls_[i].layout = &page_layout[i];
            controls_[i].text = page_layout[i].caption;
        }
    }

    // PageWindow: the host's side.
    int32_t control_id(int32_t index) override {
        return index >= 0 && index < page_control_count ? controls_[index].layout->id : 0;
    }
    PageControlKind control_kind(int32_t id) override {
        Control* c = find(id);
        return c != nullptr ? c->layout->kind : PageControlKind::none;
    }
    bool click(int32_t id) override {
        Control* c = find(id, PageControlKind::check_box);
        if (c == nullptr || !c->enabled)
            return false;
        c->checked = !c->checked;
        open_->command(control_command(id, notify_click));
        return true;
    }
    bool type_text(int32_t id, const char* text) override {
        Control* c = find(id, PageControlKind::edit);
        if (c == nullptr || !c->enabled || c->read_only)
            return false;
        c->text = text;
        open_->command(control_command(id, notify_edit));
        return true;
    }
    bool choose_entry(int32_t id, int32_t index) override {
        Control* c = find(id, PageControlKind::list);
        if (c == nullptr || !c->enabled || index < 0 ||
            index >= static_cast<int32_t>(c->entries.size()))
            return false;
        c->selection = index;
        open_->command(control_command(id, notify_selection));
        return true;
    }
    void get_text(int32_t id, HostText* out) override { out->set(shown_text(id), whole_text); }
    bool is_checked(int32_t id) override { return checked(id); }
    bool is_enabled(int32_t id) override {
        Control* c = find(id);
        return c != nullptr && c->enabled;
    }
    bool is_read_only(int32_t id) override {
        Control* c = find(id);
        return c != nullptr && c->read_only;
    }
    // Also the steps' reading of the list.
    int32_t selected_entry(int32_t id) override {
        Control* c = find(id, PageControlKind::list);
        return c != nullptr ? c->selection : -1;
    }
    void destroy() override {
        open_->window_destroyed();
        delete this;
    }

    // PageControls: the steps' side, as the dialog functions behave.
    bool checked(int32_t id) override {
        Control* c = find(id, PageControlKind::check_box);
        return c != nullptr && c->checked;
    }
    void set_checked(int32_t id, bool on) override {
        if (Control* c = find(id, PageControlKind::check_box))
            c->checked = on;
    }
    void enable(int32_t id, bool on) override {
        if (Control* c = find(id))
            c->enabled = on;
    }
    void set_read_only(int32_t id, bool on) override {
        if (Control* c = find(id, PageControlKind::edit))
            c->read_only = on;
    }
    void set_text(int32_t id, const char* text) override {
        if (Control* c = find(id))
            c->text = text;
    }
    void get_text(int32_t id, TextBuffer& out) override { out.set(shown_text(id), whole_text); }
    void add_entry(int32_t id, const char* text) override {
        if (Control* c = find(id, PageControlKind::list))
            c->entries.emplace_back(text);
    }
    // An index the list does not have leaves no entry selected.
    void select_entry(int32_t id, int32_t index) override {
        if (Control* c = find(id, PageControlKind::list))
            c->selection =
                index >= 0 && index < static_cast<int32_t>(c->entries.size()) ? index : -1;
    }

  private:
    ~Page() = default;

    // The first control of the ID; -1 names no single control.
    Control* find(int32_t id) {
        if (id == -1)
            return nullptr;
        for (Control& c : controls_) {
            if (c.layout->id == id)
                return &c;
        }
        return nullptr;
    }
    Control* find(int32_t id, PageControlKind kind) {
        Control* c = find(id);
        return c != nullptr && c->layout->kind == kind ? c : nullptr;
    }
    const char* shown_text(int32_t id) {
        Control* c = find(id);
        if (c == nullptr)
            return "";
        if (c->layout->kind == PageControlKind::list)
            return c->selection >= 0 ? c->entries[static_cast<size_t>(c->selection)].c_str() : "";
        return c->text.c_str();
    }

    OpenPage* open_;
    Control controls_[page_control_count];
};

} // namespace

WindowHandle create_page_window(WindowHandle, OpenPage* open) {
    auto* page = new (std::nothrow) Page(open);
    if (page == nullptr)
        return 0;
    auto window = reinterpret_cast<WindowHandle>(static_cast<PageWindow*>(page));
    open->window_created(window, *page);
    return window;
}

} // namespace lumivox
