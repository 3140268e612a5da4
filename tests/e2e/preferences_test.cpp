// The preferences page as a user meets it: the substitute host opens the
// component's page (a real dialog on the Windows lane), changes its controls,
// closes it, and keeps the settings in its configuration file; the substitute
// mascot host records what the ghost receives.
#include "tests/e2e/config_blob.h"
#include "tests/e2e/processes.h"
#include "tests/e2e/track_folder.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace lumivox::e2e {
namespace {

const std::string startup = "\\0\\s[0]foobar2000 is starting up.\\e";
const std::string exit_script = "\\0\\s[0]foobar2000 is exiting.\\e";
const std::string default_primary = "\\0\\s[25]%ILYX\\e";

// A whole trace line; Windows programs end lines with CR LF.
bool traced(const std::string& err, const std::string& line) {
    const std::string whole = "host: " + line;
    for (size_t at = err.find(whole); at != std::string::npos; at = err.find(whole, at + 1)) {
        size_t end = at + whole.size();
        if (end < err.size() && (err[end] == '\n' || err[end] == '\r'))
            return true;
    }
    return false;
}

class Preferences : public TrackFolder {
  protected:
    std::vector<Record> play(const std::string& scenario) { return play_configured(scenario); }
    std::map<std::string, std::string> config() { return read_blob(path("config.bin")); }
};

TEST_F(Preferences, OpensWithTheDefaultsAndItsTextsReachTheGhost) {
    const std::string hello = "\\0\\s[0]\xe3\x81\x93\xe3\x82\x93\xe3\x81\xab\xe3\x81\xa1\xe3\x81"
                              "\xaf \xf0\x9f\x8e\xb5 caf\xc3\xa9\\e";
    play("prefs 1009=1 1012=0 1005=\"" + hello + "\"\n");
    const std::string expected[] = {
        // All three entries survive the module's start-up, page first.
        "services: preferences page, lifecycle, component version",
        "page at open 1001: check box, checked",
        "page at open 1016: label \"   FMO:  Sakura\"",
        "page at open 1009: list, entry 0 \"Default\"",
        "page at open 1002: check box, checked",
        "page at open 1012: check box, checked",
        "page at open 1013: edit, writable, \"\\0\\s[25]%ILYX\\e\"",
        "page at open 1003: check box, checked",
        "page at open 1005: edit, writable, \"\\0\\s[0]foobar2000 is starting up.\\e\"",
        "page at open 1006: edit, writable, \"\\0\\s[0]foobar2000 is exiting.\\e\"",
        "page at open 1004: check box, checked",
        "page at open 1007: edit, writable, "
        "\"'\\0\\s[0]Next song is '%title%['\\nSung by '%artist%]'\\e'\"",
        "page at open 1014: check box, unchecked",
        "page at close 1009: list, entry 1 \"UTF-8\"",
        "page at close 1005: edit, writable, \"" + hello + "\"",
    };
    for (const std::string& line : expected)
        EXPECT_TRUE(traced(host_.err, line)) << line << "\n" << host_.err;
    auto stored = config();
    EXPECT_EQ(word(stored[options_guid]), 0x1001u);
    EXPECT_EQ(word(stored[features_guid]), 0x111u);
    EXPECT_EQ(stored[startup_guid], hello);

    auto records = play("start\nexit\n");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].script, hello);
    EXPECT_EQ(records[0].charset, "UTF-8");
}

// Off at once: no callbacks, so the track goes unannounced and the exit
// script is not sent; one box turns the component on again.
TEST_F(Preferences, AllFeaturesOffThenOneBackOn) {
    auto records = play("start\n"
                        "prefs 1002=0 1003=0 1004=0\n"
                        "track " +
                        path("song.mp3") +
                        " title=T\n"
                        "prefs 1003=1\n"
                        "exit\n");
    std::vector<std::string> scripts;
    for (const Record& r : records)
        scripts.push_back(r.script.value_or("<none>"));
    EXPECT_EQ(scripts, (std::vector<std::string>{startup, exit_script}));
    size_t off = host_.err.find("unregister playback callbacks");
    size_t on = host_.err.find("register playback callbacks, mask 286", off);
    EXPECT_NE(off, std::string::npos) << host_.err;
    EXPECT_NE(on, std::string::npos) << host_.err;
    EXPECT_TRUE(
        traced(host_.err, "page at close 1013: edit, read-only, \"" + default_primary + "\""));
    EXPECT_EQ(word(config()[features_guid]), 0x10u);
}

TEST_F(Preferences, TransportChangeAloneWaitsForTheNextStart) {
    auto records = play("start\nprefs 1001=0\nexit\n");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].via, "direct");
    EXPECT_EQ(records[1].via, "direct");
    EXPECT_TRUE(traced(host_.err, "page at close 1016: label \"Server:  localhost:9801\""));
    EXPECT_EQ(word(config()[options_guid]), 0x0100u);

    records = play("start\nexit\n");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].via, "tcp");
    EXPECT_EQ(records[1].via, "tcp");
}

TEST_F(Preferences, ResetWhileOpenKeepsWhatThePageShows) {
    play("prefs 1001=0 1013=\\0X%ILYX\\e reset\n"
         "prefs\n"
         "reset\n");
    EXPECT_TRUE(traced(host_.err, "reset while the page is open"));
    // The second page shows what the first stored.
    EXPECT_TRUE(traced(host_.err, "page at open 1001: check box, unchecked")) << host_.err;
    EXPECT_TRUE(traced(host_.err, "page at open 1013: edit, writable, \"\\0X%ILYX\\e\""));
    auto stored = config();
    EXPECT_EQ(word(stored[options_guid]), 0x1100u);
    EXPECT_EQ(stored[primary_guid], default_primary);
}

TEST_F(Preferences, ChangesAUserCannotMakeAreReported) {
    struct Case {
        std::string scenario;
        std::string message;
    };
    const Case cases[] = {
        {"prefs 1002=0 1013=x\n", "line 1: edit 1013 is read-only"},
        {"prefs 1002=0 1012=0\n", "line 1: check box 1012 is disabled"},
        {"prefs 1002=0 1014=1\n", "line 1: check box 1014 is disabled"},
        {"prefs 1009=3\n", "line 1: list 1009 has no entry \"3\""},
        {"prefs 4242=1\n", "line 1: the preferences page has no control 4242"},
        {"prefs title=x\n", "\"prefs\" takes control IDs"},
    };
    for (const Case& c : cases) {
        Finished f = run_program("lumivox-host", {"run", "-"}, c.scenario);
        EXPECT_EQ(f.status, 2) << c.scenario << f.err;
        EXPECT_NE(f.err.find(c.message), std::string::npos) << c.scenario << f.err;
    }
}

} // namespace
} // namespace lumivox::e2e
