// Without Win32 the page's handle points at the component's PageModel; the
// host's "window" is only a token handed to create page.
#include "tools/host/page_driver.h"

#include "tools/host/host_string.h"
#include "tools/host/page_instance.h"

namespace lumivox::tools {

namespace {

int host_window = 0;
PageModel* page = nullptr;

} // namespace

bool open_page(preferences_page* service, std::string& error, PageProtocol protocol) {
    page = static_cast<PageModel*>(open_page_window(service, &host_window, protocol, error));
    return page != nullptr;
}

window_handle page_window() {
    return page;
}

ControlState control_state(int id) {
    ControlState state;
    state.kind = page->control_kind(id);
    if (state.kind == PageControlKind::none)
        return state;
    state.checked = page->is_checked(id);
    state.enabled = page->is_enabled(id);
    state.read_only = page->is_read_only(id);
    state.selection = page->selected_entry(id);
    HostString text;
    page->get_text(id, text);
    state.text = text.get();
    return state;
}

std::vector<int> page_control_ids() {
    std::vector<int> ids;
    for (int32_t i = 0;; ++i) {
        int32_t id = page->control_id(i);
        if (id == 0)
            break;
        if (id != -1)
            ids.push_back(id);
    }
    return ids;
}

bool click_check_box(int id) {
    return page->click(id);
}

bool type_text(int id, const std::string& text) {
    return page->type_text(id, text.c_str());
}

bool choose_entry(int id, int index) {
    return page->choose_entry(id, index);
}

bool capture_page(const std::string&, std::string& error) {
    error = "a picture of the page needs the Windows build";
    return false;
}

void close_page(Closing order) {
    if (order == Closing::instance_first)
        release_page_instance();
    if (page != nullptr)
        page->destroy();
    page = nullptr;
    page_window_destroyed();
    release_page_instance();
}

} // namespace lumivox::tools
