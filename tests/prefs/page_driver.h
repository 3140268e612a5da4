// The page's tests work the page the way the host does (host/page_driver.h),
// on the component linked into the test program.
#pragma once

#include "component/service_api.h"
#include "tools/host/page_driver.h"

namespace lumivox::test {

using tools::choose_entry;
using tools::click_check_box;
using tools::close_page;
using tools::control_state;
using tools::ControlState;
using tools::type_text;

PreferencesPageService& page_service();

// Creates the page (one at a time); the handle create page answered.
WindowHandle open_page();
bool page_open();

} // namespace lumivox::test
