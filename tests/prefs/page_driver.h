// Works the preferences page the way the host does, on either lane: the page
// is created through the service's table; on Windows it is a real dialog
// under a real top-level window and everything is read back from the
// controls' windows, elsewhere it is the PageWindow the handle points at.
#pragma once

#include "component/service_api.h"

#include <string>

namespace lumivox::test {

struct ControlView {
    PageControlKind kind = PageControlKind::none;
    bool checked = false;
    bool enabled = false;
    bool read_only = false;
    int selection = -1;
    std::string text; // UTF-8
};

PreferencesPageService& page_service();

// Creates the page (one at a time); the handle create page answered.
WindowHandle open_page();
bool page_open();
ControlView read_control(int id);
// False when a user could not do it; see PageWindow.
bool click(int id);
bool type_text(int id, const std::string& text);
bool choose_entry(int id, int index);
// Destroys the page, which stores the settings.
void close_page();

} // namespace lumivox::test
