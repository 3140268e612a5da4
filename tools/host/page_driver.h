// The host's side of the component's preferences page: it opens the page
// under a window of its own, works its controls as a user would, and
// destroys it. One page is open at a time. On Windows the page is a real
// dialog worked through window messages; elsewhere it is the component's
// page model, reached through the PageModel table its handle points at.
#pragma once

#include "tools/host/page_model.h"
#include "tools/host/player_api.h"

#include <string>
#include <vector>

namespace lumivox::tools {

struct ControlState {
    PageControlKind kind = PageControlKind::none;
    bool checked = false;
    bool enabled = false;
    bool read_only = false;
    int selection = -1;
    std::string text; // UTF-8
};

// Creates the host window and the page in it. False with a message.
bool open_page(preferences_page* service, std::string& error);
// The handle create page answered while the page is open, else null.
window_handle page_window();
ControlState control_state(int id);
// The control IDs of the page in their order, without the -1 of captions.
std::vector<int> page_control_ids();

// False when a user could not do it (a disabled box, a read-only edit, an
// entry the list lacks).
bool click_check_box(int id);
bool type_text(int id, const std::string& text);
bool choose_entry(int id, int index);

// Shows the host window with the page and writes what it shows as a PNG.
// Only on Windows; false with a message elsewhere.
bool capture_page(const std::string& png_path, std::string& error);

// The host destroys the page, then its own window.
void close_page();

} // namespace lumivox::tools
