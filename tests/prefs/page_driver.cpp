#include "tests/prefs/page_driver.h"

#include "component/entry.h"
#include "component/preferences.h"

#include <gtest/gtest.h>
#include <string>

namespace lumivox::test {

PreferencesPageService& page_service() {
    ServiceBase* service = nullptr;
    preferences_page_entry()->obtain_instance(&service);
    return *static_cast<PreferencesPageService*>(service);
}

WindowHandle open_page(PageProtocol protocol) {
#ifdef _WIN32
    // Dialog 101 and the picture are linked into this test program.
    module_handle = GetModuleHandleW(nullptr);
#endif
    std::string error;
    // The player sees the same object through its own declarations.
    auto* service = reinterpret_cast<tools::preferences_page*>(&page_service());
    EXPECT_TRUE(tools::open_page(service, error, protocol)) << error;
    return reinterpret_cast<WindowHandle>(tools::page_window());
}

bool page_open() {
    return tools::page_window() != nullptr;
}

void press_ok() {
    apply_page();
    close_page();
}

} // namespace lumivox::test
