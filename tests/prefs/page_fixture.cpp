#include "tests/prefs/page_fixture.h"

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

void PageTest::SetUp() {
    settings_release();
    settings_register();
    use_recording_transport();
    // The component reaches it as the player hands it over.
    callback_service = reinterpret_cast<PlaybackCallbackManager*>(&callbacks);
}

void PageTest::TearDown() {
    if (page_open())
        close_page();
    sync_stop();
    tcp_unload();
    callback_service = nullptr;
    use_recording_transport();
    settings_release();
}

} // namespace lumivox::test
