// Lyrics from where users keep them, through the substitute host: a track a
// portable player names relative to its folder, the lyric folders after the
// track's own folder and tags, and synced lyrics downloaded from a stand-in
// LRCLIB server, which hears nothing unless the user asked for downloads.
#include "tests/e2e/config_blob.h"
#include "tests/e2e/processes.h"
#include "tests/e2e/track_folder.h"
#include "tests/support/default_scripts.h"
#include "tests/support/lrclib_standin.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace lumivox::e2e {
namespace {

using test::exit_script;
using test::line_text;
using test::reset;
using test::startup;

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The separator of the lane's paths, and a folder of the test as the lane's
// programs name it.
std::string sep() {
    return lane().windows ? "\\" : "/";
}
std::string lane_path(const std::string& path) {
    if (!lane().windows)
        return path;
    std::string windows = "Z:" + path;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return windows;
}

// Milliseconds of the host's trace line that starts with text; -1 for none.
double trace_time(const std::string& err, const std::string& text, size_t nth = 0) {
    std::istringstream in(err);
    std::string line;
    while (std::getline(in, line)) {
        size_t at = line.find(" host: ");
        if (at != std::string::npos && line.compare(at + 7, text.size(), text) == 0 && nth-- == 0)
            return std::strtod(line.c_str(), nullptr);
    }
    return -1;
}

// The longest call into the component that the host traced, over the run.
double longest_call(const std::string& err) {
    const std::string said = "longest call into the component: ";
    double longest = -1;
    for (size_t at = err.find(said); at != std::string::npos; at = err.find(said, at + 1))
        longest = std::max(longest, std::strtod(err.c_str() + at + said.size(), nullptr));
    return longest;
}

class LyricSources : public TrackFolder {
  protected:
    void TearDown() override {
        server.stop();
        TrackFolder::TearDown();
    }

    // Default features and options, with the later settings in extra.
    std::vector<Record> play(const std::string& scenario, const std::string& extra = "") {
        write_file(path("config.bin"),
                   word_record(features_guid, 0x111) + word_record(options_guid, 0x1100) + extra);
        return play_configured(scenario);
    }

    std::string download_on() const {
        return word_record(lyric_download_guid, 1) + text_record(lrclib_server_guid, server.url());
    }

    test::LrclibStandin server;
};

// Named relative to the player's folder, beside it or a level up and back,
// a track is sung from the lyric file beside it as any other.
TEST_F(LyricSources, TrackNamedRelativeToThePlayerIsSung) {
    const std::string name = "e2e-relative-" + std::filesystem::path(folder_).filename().string();
    const std::string near = lane().bin + "/" + name;
    std::filesystem::create_directories(near);
    write_file(near + "/song.mp3", "not really audio");
    write_file(near + "/song.lrc", "[00:00.10]Near\n[00:00.40]Near two\n");
    const std::string bin_name = std::filesystem::path(lane().bin).filename().string();
    std::string scenario = "start\n";
    for (const std::string& relative :
         {name + sep() + "song.mp3", ".." + sep() + bin_name + sep() + name + sep() + "song.mp3"})
        scenario += "track file-relative://" + relative + " title=T\nsleep 900\n";
    auto records = play(scenario + "exit\n");
    std::filesystem::remove_all(near);
    EXPECT_EQ(scripts(records), (std::vector<std::string>{
                                    startup, line_text("Near"), line_text("Near two"), reset,
                                    line_text("Near"), line_text("Near two"), reset, exit_script}))
        << host_.err;
}

// The lyric folders in their order, by the names the player makes of tags
// that need replacing; each folder sings when the ones before it hold
// nothing, and a lyrics tag still comes first.
TEST_F(LyricSources, LyricFoldersAreTriedInOrderAfterTheTags) {
    const std::string track = "track " + path("song.mp3") + " \"title=Who? Me*\" artist=AC/DC";
    const std::string user = path("user");
    const std::string extra = text_record(lyrics_folder_guid, lane_path(user));
    struct Step {
        const char* where;
        std::string file;
        std::string lyric;
    };
    std::vector<Step> steps;
    if (!lane().windows) // ~/.lyrics, the Linux lyric tools' own
        steps.push_back({"home", path("home/.lyrics/AC/DC - Who_ Mex.lrc"), "[00:00.10]home\n"});
    steps.push_back({"profile", path("profile/lyrics/Who_ Mex.lrc"), "[00:00.10]profile\n"});
    steps.push_back({"user", user + "/AC/DC - Who_ Mex.txt", "@SakuraScript=1\n[00:00.10]user\n"});
    for (const Step& step : steps) {
        SCOPED_TRACE(step.where);
        std::filesystem::create_directories(std::filesystem::path(step.file).parent_path());
        write_file(step.file, step.lyric);
        auto records = play("start\n" + track + "\nsleep 700\nexit\n", extra);
        EXPECT_EQ(scripts(records),
                  (std::vector<std::string>{startup, line_text(step.where), reset, exit_script}))
            << host_.err;
    }
    write_file(path("tag.lrc"), "[00:00.10]tag\n");
    auto records =
        play("start\n" + track + " lyrics=@" + path("tag.lrc") + "\nsleep 700\nexit\n", extra);
    EXPECT_EQ(scripts(records),
              (std::vector<std::string>{startup, line_text("tag"), reset, exit_script}));
}

// Tags that try to name a file outside the folders find nothing there.
TEST_F(LyricSources, TagsThatLeaveTheFoldersAreNotTried) {
    std::filesystem::create_directories(path("profile/lyrics"));
    for (const char* outside : {"escape.lrc", "profile/escape.lrc", "A - x.lrc"})
        write_file(path(outside), "[00:00.10]escaped\n");
    std::string scenario = "start\n";
    for (const char* title : {"../../escape", "../escape", "x/../../../A - x", "/escape"})
        scenario += "track " + path("song.mp3") + " \"title=" + title + "\" artist=..\nsleep 500\n";
    auto records = play(scenario + "exit\n");
    for (const std::string& script : scripts(records))
        EXPECT_EQ(script.find("escaped"), std::string::npos) << script;
}

// The answer comes 1.5 s into the track: the line in progress goes on from
// there, the line before it is not sent, the later ones come on time; the
// lyrics are saved, and the next play sings them from the file, unasked.
TEST_F(LyricSources, DownloadArrivingMidTrackIsSungFromThePositionAndSaved) {
    const std::string synced = "[00:00.50]Gone\n[00:01.20]Held\\_w[2300]on\n[00:03.00]Three\n"
                               "[00:03.50]Three and a half\n";
    server.answer("T", test::lrclib_slow(test::lrclib_found(synced), 1500));
    const std::string track = "track " + path("song.mp3") + " title=T artist=A\n";
    auto records =
        play("start\n" + track + "play 4.2\nstop\n" + track + "play 4.2\nexit\n", download_on());
    std::vector<std::string> got = scripts(records);
    ASSERT_EQ(got.size(), 12u) << testing::PrintToString(got) << host_.err;
    EXPECT_EQ(got[1], "\\0\\s[0]Next song is T\\nSung by A\\e");
    EXPECT_EQ(got[2].find("Held"), std::string::npos) << got[2];
    EXPECT_NE(got[2].find("on\\e"), std::string::npos) << got[2];
    EXPECT_EQ(std::vector<std::string>(got.begin() + 3, got.end()),
              (std::vector<std::string>{line_text("Three"), line_text("Three and a half"), reset,
                                        line_text("Gone"), line_text("Held\\_w[2300]on"),
                                        line_text("Three"), line_text("Three and a half"), reset,
                                        exit_script}));
    double start = trace_time(host_.err, "new track");
    ASSERT_GE(start, 0) << host_.err;
    double late = records[3].t_ms - start - 3000;
    EXPECT_GT(late, -50);
    EXPECT_LT(late, 600);

    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(read_file(path("profile/lyrics/A - T.lrc")), synced);
    // The player's thread never waited for the answer.
    double longest = longest_call(host_.err);
    EXPECT_GE(longest, 0) << host_.err;
    EXPECT_LT(longest, 1000);
}

// Exit while the server takes its time: the host unloads the component
// cleanly, and no thread of it is left (the host would crash otherwise).
TEST_F(LyricSources, ExitDuringASlowDownloadUnloadsCleanly) {
    server.answer("T", test::lrclib_slow(test::lrclib_found("[00:00.50]Late\n"), 25000));
    auto records = play("start\ntrack " + path("song.mp3") + " title=T artist=A\nsleep 500\nexit\n",
                        download_on());
    EXPECT_EQ(
        scripts(records),
        (std::vector<std::string>{startup, "\\0\\s[0]Next song is T\\nSung by A\\e", exit_script}));
    EXPECT_EQ(server.requests().size(), 1u);
    double exit = trace_time(host_.err, "host exit");
    double unloaded = trace_time(host_.err, "unloaded");
    ASSERT_GE(exit, 0);
    // Wine's WinHTTP lets a request go only at its own time limit.
    EXPECT_LT(unloaded - exit, lane().windows ? 15000 : 2000) << host_.err;
}

TEST_F(LyricSources, NothingLeavesTheMachineWithTheBoxUnchecked) {
    server.answer("T", test::lrclib_found("[00:00.50]Never\n"));
    auto records = play("start\ntrack " + path("song.mp3") + " title=T artist=A\nsleep 800\nexit\n",
                        text_record(lrclib_server_guid, server.url()));
    EXPECT_EQ(
        scripts(records),
        (std::vector<std::string>{startup, "\\0\\s[0]Next song is T\\nSung by A\\e", exit_script}));
    write_file(path("settings.bin"), text_record(lrclib_server_guid, server.url()));
    Finished checked =
        run_program("lumivox-lyrics", {"check", path("song.mp3"), "--title", "T", "--artist", "A",
                                       "--settings", path("settings.bin")});
    EXPECT_EQ(checked.status, 1) << checked.err;
    EXPECT_EQ(server.connections(), 0);
}

// The checker lists the folder candidates with their verdicts and, asked
// to, what the server would have sung.
TEST_F(LyricSources, CheckerListsTheFoldersAndAsksOnlyWithDownload) {
    write_file(path("settings.bin"), text_record(lyrics_folder_guid, lane_path(path("user"))) +
                                         text_record(lrclib_server_guid, server.url()));
    server.answer("T", test::lrclib_found("[00:01.00]From \\![raise,x]afar\n"));
    std::vector<std::string> args = {"check",      path("song.mp3"),
                                     "--title",    "T",
                                     "--artist",   "x/../..",
                                     "--settings", path("settings.bin"),
                                     "--profile",  lane_path(path("profile")),
                                     "--json"};
    Finished local = run_program("lumivox-lyrics", args);
    ASSERT_EQ(local.status, 1) << local.err;
    nlohmann::json report = nlohmann::json::parse(local.out);
    std::vector<std::string> rows;
    for (const nlohmann::json& c : report["candidates"])
        rows.push_back(c["verdict"].get<std::string>() + " " + c["name"].get<std::string>());
    const std::string user = lane_path(path("user")) + sep();
    const std::string profile = lane_path(path("profile")) + sep() + "lyrics" + sep();
    std::vector<std::string> expected = {
        "not_found " + lane_path(path("song.ssl")), "not_found " + lane_path(path("song.txt")),
        "not_found " + lane_path(path("song.lrc")), "not_found " + lane_path(path("T.ssl")),
        "not_found " + lane_path(path("T.txt")),    "not_found " + lane_path(path("T.lrc"))};
    for (const std::string& folder : {user, profile}) {
        expected.push_back("leaves_folder " + folder + "x/../.. - T");
        for (const char* extension : {".ssl", ".txt", ".lrc"})
            expected.push_back("not_found " + folder + "T" + extension);
    }
    if (!lane().windows) {
        const std::string home = path("home/.lyrics/");
        expected.push_back("leaves_folder " + home + "x/../.. - T");
        for (const char* extension : {".ssl", ".txt", ".lrc"})
            expected.push_back("not_found " + home + "T" + extension);
    }
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(server.connections(), 0);

    args.push_back("--download");
    Finished asked = run_program("lumivox-lyrics", args);
    ASSERT_EQ(asked.status, 0) << asked.err << asked.out;
    report = nlohmann::json::parse(asked.out);
    EXPECT_EQ(report["download"]["answer"], "synced lyrics");
    ASSERT_EQ(report["lines"].size(), 1u);
    EXPECT_EQ(report["lines"][0]["script"], "\\0\\s[25]From \\\\![raise,x]afar\\e");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].query.at("artist_name"), "x/../..");
    EXPECT_FALSE(std::filesystem::exists(path("profile/lyrics")));

    // Each of the server's other answers, in words.
    server.answer("Gone", test::lrclib_server_error());
    for (const auto& [title, said] : std::vector<std::pair<std::string, std::string>>{
             {"Missing", "not found"}, {"Gone", "the server answered 500"}}) {
        Finished other =
            run_program("lumivox-lyrics", {"check", path("song.mp3"), "--title", title, "--artist",
                                           "A", "--settings", path("settings.bin"), "--download"});
        EXPECT_EQ(other.status, 1);
        EXPECT_NE(other.out.find("Asked LRCLIB (" + server.url()), std::string::npos) << other.out;
        EXPECT_NE(other.out.find("): " + said), std::string::npos) << other.out;
    }
}

} // namespace
} // namespace lumivox::e2e
