// The host's side of the component's preferences page: it opens the page
// under a window of its own, works its controls as a user would, applies,
// resets and destroys it as the player's preferences window does. One page is
// open at a time. On Windows the page is a real dialog worked through window
// messages; elsewhere it is the component's page model, reached through the
// PageModel table its handle points at.
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

// How the host opens the page: as players since 1.0 do, through the
// instance of preferences_page_v3 (which the page must answer), or as older
// players do, through create alone.
enum class PageProtocol { instance, create };

// Creates the host window and the page in it. False with a message.
bool open_page(preferences_page* service, std::string& error,
               PageProtocol protocol = PageProtocol::instance);
// The page's window while the page is open, else null.
window_handle page_window();
ControlState control_state(int id);
// The control IDs of the page in their order, without the -1 of captions.
std::vector<int> page_control_ids();

// False when a user could not do it (a disabled box, a read-only edit, an
// entry the list lacks).
bool click_check_box(int id);
bool type_text(int id, const std::string& text);
bool choose_entry(int id, int index);

// The instance's get_state; 0 for a page opened through create.
uint32_t page_state();
// The on_state_changed calls of the open page so far.
int state_notifications();
// The player's Apply, and its "Reset page" after the user confirmed it;
// nothing for a page opened through create.
void apply_page();
void reset_page();

// Shows the host window with the page and writes what it shows as a PNG.
// Only on Windows; false with a message elsewhere.
bool capture_page(const std::string& png_path, std::string& error);

// The host destroys the page, then its own window, then releases the
// instance: the player's Cancel, and the end of its OK after apply_page.
// instance_first releases the instance before the windows are destroyed,
// which the player does not do.
enum class Closing { window_first, instance_first };
void close_page(Closing order = Closing::window_first);

// What closing the last page left: the references the component held on
// the callback the host handed it once the page's window was destroyed and
// after the host's release of the instance, and what that release answered
// (0 when it freed the instance).
struct ClosedPage {
    int callback_references_at_destroy = 0;
    int callback_references = 0;
    int instance_release = 0;
};
ClosedPage last_closed_page();

// The player's dark-mode service, recording what the component asks of it;
// the host's API hands it out while it is available (player 2.0 and newer).
struct DarkModeCall {
    std::string name;
    window_handle window;
};
core_dark_mode* dark_mode_service();
void set_dark_mode_available(bool available);
bool dark_mode_available();
// The calls since the last take, which empties the record.
std::vector<DarkModeCall> take_dark_mode_calls();
// References the component holds on the service and on its objects.
int dark_mode_references();

} // namespace lumivox::tools
