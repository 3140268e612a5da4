// What a lyric file, and the tags of its track, can make the ghost do: with
// default settings a file's lines and its own template reach the ghost only
// as display and timing tags; the page's "Allow all SakuraScript in lyric
// files" box lets them through as written, and unchecked again filters them
// again.
#include "tests/e2e/config_blob.h"
#include "tests/e2e/processes.h"
#include "tests/e2e/track_folder.h"
#include "tests/support/default_scripts.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox::e2e {
namespace {

using test::exit_script;
using test::reset;
using test::startup;

// Opening a program, fetching a page, raising an event, quitting; the last
// line's display tags are kept either way.
const std::string hostile_lrc = R"(@TessalySakuraScriptLyricsPrimary=\0\![raise,OnX]%ILYX\e
[00:00.10]\![open,file,C:\Windows\notepad.exe]
[00:00.20]\j[http://example.invalid/]
[00:00.30]\1\s[10]La\n\-
)";

// As written, wrapped in the file's own template.
const std::vector<std::string> trusted = {
    R"(\0\![raise,OnX]\![open,file,C:\Windows\notepad.exe]\e)",
    R"(\0\![raise,OnX]\j[http://example.invalid/]\e)",
    R"(\0\![raise,OnX]\1\s[10]La\n\-\e)",
};
// Every backslash that begins no display or timing tag doubled, so the ghost
// shows it as text ("\n" of "\notepad" is a line break, and stays one).
const std::vector<std::string> filtered = {
    R"(\0\\![raise,OnX]\\![open,file,C:\\Windows\notepad.exe]\e)",
    R"(\0\\![raise,OnX]\\j[http://example.invalid/]\e)",
    R"(\0\\![raise,OnX]\1\s[10]La\n\\-\e)",
};

class LyricScript : public TrackFolder {
  protected:
    std::vector<Record> play(const std::string& scenario) { return play_configured(scenario); }
};

TEST_F(LyricScript, PageBoxTurnsTheFilterOffAndOnAgain) {
    write_file(path("song.lrc"), hostile_lrc);
    const std::string track = "track " + path("song.mp3") + " title=T\nsleep 800\n";
    auto records =
        play("start\n" + track + "prefs 1014=1\n" + track + "prefs 1014=0\n" + track + "exit\n");
    std::vector<std::string> expected = {startup};
    for (const auto* lines : {&filtered, &trusted, &filtered}) {
        expected.insert(expected.end(), lines->begin(), lines->end());
        expected.push_back(reset);
    }
    expected.push_back(exit_script);
    EXPECT_EQ(scripts(records), expected) << host_.err;
    EXPECT_NE(host_.err.find("page at open 1014: check box, unchecked"), std::string::npos)
        << host_.err;
    EXPECT_NE(host_.err.find("page at close 1014: check box, checked"), std::string::npos);
    EXPECT_EQ(word(read_blob(path("config.bin"))[options_guid]), 0x1100u)
        << "unchecked again, the word is the default";
}

TEST_F(LyricScript, TrustedSettingSurvivesTheNextStart) {
    write_file(path("song.lrc"), hostile_lrc);
    play("prefs 1014=1\n");
    EXPECT_EQ(word(read_blob(path("config.bin"))[options_guid]), 0x11100u);
    auto records = play("start\ntrack " + path("song.mp3") + " title=T\nsleep 800\nexit\n");
    std::vector<std::string> expected = {startup};
    expected.insert(expected.end(), trusted.begin(), trusted.end());
    expected.insert(expected.end(), {reset, exit_script});
    EXPECT_EQ(scripts(records), expected) << host_.err;
}

// A title naming a file in the folder above is not looked up: the track is
// only announced.
TEST_F(LyricScript, TagsCannotLeadOutOfTheTracksFolder) {
    std::filesystem::create_directories(path("album"));
    write_file(path("album/song.mp3"), "not really audio");
    write_file(path("outside.lrc"), "[00:00.10]Found outside\n");
    write_file(path("album/inside.lrc"), "[00:00.10]Found inside\n");
    auto records = play("start\n"
                        "track " +
                        path("album/song.mp3") +
                        " title=../outside\n"
                        "play 1\n"
                        "track " +
                        path("album/song.mp3") +
                        " title=inside\n"
                        "sleep 500\n"
                        "exit\n");
    std::vector<std::string> expected = {startup, "\\0\\s[0]Next song is ../outside\\e",
                                         "\\0\\s[25]Found inside\\e", reset, exit_script};
    EXPECT_EQ(scripts(records), expected) << host_.err;
}

} // namespace
} // namespace lumivox::e2e
