// The preferences page as a user meets it: the substitute host opens the
// component's page as the player does (a real dialog on the Windows lane),
// changes its controls, applies, resets, closes it with OK or Cancel, and
// keeps the settings in its configuration file; the substitute mascot host
// records what the ghost receives.
#include "tests/e2e/config_blob.h"
#include "tests/e2e/processes.h"
#include "tests/e2e/track_folder.h"
#include "tests/support/default_scripts.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace lumivox::e2e {
namespace {

using test::exit_script;
using test::startup;

const std::string default_primary = "\\0\\s[25]%ILYX\\e";

// Where the whole trace line stands, from from on; npos when it does not.
// Windows programs end lines with CR LF.
size_t find_traced(const std::string& err, const std::string& line, size_t from = 0) {
    const std::string whole = "host: " + line;
    for (size_t at = err.find(whole, from); at != std::string::npos; at = err.find(whole, at + 1)) {
        size_t end = at + whole.size();
        if (end < err.size() && (err[end] == '\n' || err[end] == '\r'))
            return at;
    }
    return std::string::npos;
}

bool traced(const std::string& err, const std::string& line) {
    return find_traced(err, line) != std::string::npos;
}

// The whole trace lines, in this order (others may stand between them).
void expect_in_order(const std::string& err, const std::vector<std::string>& lines) {
    size_t at = 0;
    for (const std::string& line : lines) {
        at = find_traced(err, line, at);
        ASSERT_NE(at, std::string::npos) << "not traced after the lines before it: " << line << "\n"
                                         << err;
        ++at;
    }
}

const std::string unchanged = "unchanged, resettable, dark mode supported";
const std::string changed = "changed, resettable, dark mode supported";

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
        // The player's dark mode draws the page.
        "dark mode: createAuto",
        "dark mode: addDialog(the page)",
        "dark mode: addControls(the page)",
        "page at open 1001: check box, checked",
        "page at open 1018: label \"   FMO:  Sakura\"",
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
        // Nothing is downloaded unless asked for.
        "page at open 1015: check box, unchecked",
        "page at open 1016: edit, writable, \"\"",
        "page at open 1017: edit, writable, \"https://lrclib.net\"",
        "page at close 1009: list, entry 1 \"UTF-8\"",
        "page at close 1005: edit, writable, \"" + hello + "\"",
        "ok",
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
    EXPECT_TRUE(traced(host_.err, "page at close 1018: label \"Server:  localhost:9801\""));
    EXPECT_EQ(word(config()[options_guid]), 0x0100u);

    records = play("start\nexit\n");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].via, "tcp");
    EXPECT_EQ(records[1].via, "tcp");
}

// Every change tells the player at once, and the state is "changed" only
// while the page differs from what is stored; Cancel stores nothing.
TEST_F(Preferences, ChangesLightApplyAndCancelStoresNothing) {
    play("prefs 1001=0 1001=1 1005=\\0x\\e cancel\nprefs\n");
    expect_in_order(host_.err, {
                                   "page state: " + unchanged + " (0 on_state_changed)",
                                   "click 1001",
                                   "page state: " + changed + " (1 on_state_changed)",
                                   "click 1001",
                                   "page state: " + unchanged + " (1 on_state_changed)",
                                   "type into 1005: \"\\0x\\e\"",
                                   "page state: " + changed + " (1 on_state_changed)",
                                   "cancel",
                                   "preferences page destroyed",
                                   "page at open 1005: edit, writable, \"" + startup + "\"",
                                   "ok",
                               });
    auto stored = config();
    EXPECT_EQ(word(stored[options_guid]), 0x1100u);
    EXPECT_EQ(stored[startup_guid], startup);
}

// Apply stores and applies with the page still open: all three "Send" boxes
// off stop the callbacks at once, so the track goes unannounced and the exit
// script is not sent; the box checked after it is cancelled.
TEST_F(Preferences, ApplyTakesEffectAtOnceAndCancelKeepsIt) {
    auto records = play("start\n"
                        "prefs 1002=0 1003=0 1004=0 apply 1003=1 cancel\n"
                        "track " +
                        path("song.mp3") +
                        " title=T\n"
                        "exit\n");
    std::vector<std::string> scripts;
    for (const Record& r : records)
        scripts.push_back(r.script.value_or("<none>"));
    EXPECT_EQ(scripts, std::vector<std::string>{startup});
    expect_in_order(host_.err, {"apply", "unregister playback callbacks",
                                "page state: " + unchanged + " (1 on_state_changed)", "click 1003",
                                "cancel", "preferences page destroyed"});
    EXPECT_EQ(word(config()[features_guid]), 0u);
}

// "Reset page" shows the defaults and stores nothing until OK or Apply; the
// player's own reset stores them without the page.
TEST_F(Preferences, ResetShowsTheDefaultsAndOkStoresThem) {
    play("prefs 1001=0 1013=\\0X%ILYX\\e\n"
         "prefs reset cancel\n"
         "prefs\n");
    expect_in_order(host_.err, {"reset page: the defaults shown",
                                "page state: " + changed + " (1 on_state_changed)",
                                "page at close 1001: check box, checked",
                                "page at close 1013: edit, writable, \"" + default_primary + "\"",
                                "cancel", "page at open 1001: check box, unchecked",
                                "page at open 1013: edit, writable, \"\\0X%ILYX\\e\""});
    EXPECT_EQ(word(config()[options_guid]), 0x0100u);

    play("prefs reset 1012=0\n");
    auto stored = config();
    EXPECT_EQ(word(stored[options_guid]), 0x1000u) << "the defaults, then the change after them";
    EXPECT_EQ(stored[primary_guid], default_primary);

    play("prefs 1001=0\nreset\n");
    EXPECT_EQ(word(config()[options_guid]), 0x1100u);
}

// The lyric sources beyond the track's folder: stored in records of their
// own, governed by "Send Singing Script" as the other lyric options are, and
// put back by Reset page.
TEST_F(Preferences, LyricSourcesAreStoredAndFollowTheSingingBox) {
    play("prefs 1015=1 1016=\"/home/me/Lyrics\" 1017=http://127.0.0.1:8080\n");
    auto stored = config();
    EXPECT_EQ(word(stored[lyric_download_guid]) & 1u, 1u);
    EXPECT_EQ(stored[lyrics_folder_guid], "/home/me/Lyrics");
    EXPECT_EQ(stored[lrclib_server_guid], "http://127.0.0.1:8080");

    play("prefs 1002=0\n");
    expect_in_order(host_.err, {"page at close 1015: check box, checked, disabled",
                                "page at close 1016: edit, read-only, \"/home/me/Lyrics\"",
                                "page at close 1017: edit, read-only, \"http://127.0.0.1:8080\""});
    EXPECT_EQ(word(config()[lyric_download_guid]) & 1u, 1u) << "kept while disabled";

    play("prefs reset\n");
    stored = config();
    EXPECT_EQ(word(stored[lyric_download_guid]) & 1u, 0u);
    EXPECT_EQ(stored[lyrics_folder_guid], "");
    EXPECT_EQ(stored[lrclib_server_guid], "https://lrclib.net");
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
        {"prefs 1002=0 1015=1\n", "line 1: check box 1015 is disabled"},
        {"prefs 1002=0 1016=x\n", "line 1: edit 1016 is read-only"},
        {"prefs 1009=3\n", "line 1: list 1009 has no entry \"3\""},
        {"prefs 4242=1\n", "line 1: the preferences page has no control 4242"},
        {"prefs title=x\n", "\"prefs\" takes control IDs"},
        {"prefs cancel 1001=0\n", "\"prefs\" ends with \"cancel\": nothing may follow it"},
    };
    for (const Case& c : cases) {
        Finished f = run_program("lumivox-host", {"run", "-"}, c.scenario);
        EXPECT_EQ(f.status, 2) << c.scenario << f.err;
        EXPECT_NE(f.err.find(c.message), std::string::npos) << c.scenario << f.err;
    }
}

} // namespace
} // namespace lumivox::e2e
