#include "tests/prefs/page_fixture.h"

#include "component/entry.h"
#include "component/settings.h"
#include "sstp/tcp.h"
#include "sync/playback.h"
#include "sync/scheduler.h"
#include "tests/prefs/page_driver.h"
#include "tests/support/recording_transport.h"

namespace lumivox::test {

Settings current_settings() {
    return {cfg_options,           cfg_features,
            cfg_primary.get(),     cfg_startup_script.get(),
            cfg_exit_script.get(), cfg_playing_script.get()};
}

void PrintTo(const Settings& s, std::ostream* out) {
    *out << std::hex << "{0x" << s.options << ", 0x" << s.features << std::dec << ", \""
         << s.primary << "\", \"" << s.startup << "\", \"" << s.exit << "\", \"" << s.playing
         << "\"}";
}

tools::service_class_ref PageHostApi::service_enum_find_class(const tools::guid& id) {
    if (!(id == tools::core_dark_mode_class) || dark_mode == DarkMode::absent)
        return nullptr;
    return &dark_mode_class_;
}

bool PageHostApi::service_enum_create(tools::service_base** out,
                                      tools::service_class_ref service_class, size_t index) {
    if (service_class != &dark_mode_class_ || index != 0 || dark_mode == DarkMode::no_instance)
        return false;
    tools::core_dark_mode* service = tools::dark_mode_service();
    service->service_add_ref();
    *out = service;
    return true;
}

void PageTest::SetUp() {
    settings_release();
    settings_register();
    use_recording_transport();
    // The component reaches it as the player hands it over.
    callback_service = reinterpret_cast<PlaybackCallbackManager*>(&callbacks);
    host_api = reinterpret_cast<HostApi*>(&api);
    tools::take_dark_mode_calls();
}

void PageTest::TearDown() {
    if (page_open())
        close_page();
    sync_stop();
    tcp_unload();
    callback_service = nullptr;
    host_api = nullptr;
    EXPECT_EQ(tools::dark_mode_references(), 0) << "the page keeps its dark mode";
    use_recording_transport();
    settings_release();
}

} // namespace lumivox::test
