// The page's tests start from default settings, a recording transport and a
// playback-callback manager that records what the page registers.
#pragma once

#include "component/service_api.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox::test {

class RecordingCallbackManager final : public PlaybackCallbackManager {
  public:
    int release() override { return 1; }
    int add_reference() override { return 1; }
    bool query(const Guid&, void**) override { return false; }
    void register_events(PlaybackEvents*, uint32_t mask, int) override {
        calls.push_back("register " + std::to_string(mask));
        registered = true;
    }
    void unregister_events(PlaybackEvents*) override {
        calls.push_back("unregister");
        registered = false;
    }

    std::vector<std::string> calls;
    bool registered = false;
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
};

} // namespace lumivox::test
