// The page's tests work the page the way the host does (host/page_driver.h),
// on the component linked into the test program.
#pragma once

#include "component/service_api.h"
#include "tools/host/page_driver.h"

namespace lumivox::test {

using tools::apply_page;
using tools::choose_entry;
using tools::click_check_box;
using tools::close_page;
using tools::control_state;
using tools::ControlState;
using tools::page_state;
using tools::PageProtocol;
using tools::reset_page;
using tools::state_notifications;
using tools::type_text;

PreferencesPageService& page_service();

// Opens the page (one at a time) as the player does; the page's window.
WindowHandle open_page(PageProtocol protocol = PageProtocol::instance);
bool page_open();
// The player's OK: apply, then close.
void press_ok();

// What get_state answers while the controls show the stored settings.
inline constexpr uint32_t unchanged_state = page_resettable | page_dark_mode;

} // namespace lumivox::test
