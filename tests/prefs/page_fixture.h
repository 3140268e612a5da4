// The page's tests start from default settings, a recording transport and a
// playback-callback manager that records what the page registers.
#pragma once

#include "tools/host/player_api.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox::test {

// The player's callback manager, declared on the player's side.
class RecordingCallbackManager final : public tools::play_callback_manager {
  public:
    int service_release() override { return 1; }
    int service_add_ref() override { return 1; }
    bool service_query(tools::service_base**, const tools::guid&) override { return false; }
    void register_callback(tools::play_callback*, unsigned mask, bool) override {
        calls.push_back("register " + std::to_string(mask));
        registered = true;
    }
    void unregister_callback(tools::play_callback*) override {
        calls.push_back("unregister");
        registered = false;
    }

    std::vector<std::string> calls;
    bool registered = false;
};

// The player's API as far as the page reaches it: the dark-mode service
// (the driver's recorder) as a player since 2.0 has it, or none, as before
// 2.0, or a class the player names but has no instance of.
enum class DarkMode { present, absent, no_instance };

class PageHostApi final : public tools::foobar2000_api {
  public:
    tools::service_class_ref service_enum_find_class(const tools::guid& id) override;
    bool service_enum_create(tools::service_base** out, tools::service_class_ref service_class,
                             size_t index) override;
    // The page asks nothing else of the player.
    size_t service_enum_get_count(tools::service_class_ref) override { return 0; }
    tools::window_handle get_main_window() override { return nullptr; }
    bool assert_main_thread() override { return true; }
    bool is_main_thread() override { return true; }
    bool is_shutting_down() override { return false; }
    const char* get_profile_path() override { return ""; }
    bool is_initializing() override { return false; }
    bool is_portable_mode_enabled() override { return false; }
    bool is_quiet_mode_enabled() override { return false; }

    DarkMode dark_mode = DarkMode::present;

  private:
    int dark_mode_class_ = 0;
};

// The six settings as one comparable value.
struct Settings {
    uint32_t options;
    uint32_t features;
    std::string primary, startup, exit, playing;
    bool operator==(const Settings&) const = default;
};
Settings current_settings();
void PrintTo(const Settings& s, std::ostream* out);

class PageTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    RecordingCallbackManager callbacks;
    PageHostApi api;
};

} // namespace lumivox::test
