// lumivox-mpris following mpv as a user runs it: each test runs on a private
// session bus of its own (dbus-run-session), mpv plays generated files
// through its MPRIS plugin with no sound device, and lumivox-ghost records
// what the ghost is sent. Lines are timed against the position mpv itself
// reports through its IPC socket.
#include "tests/e2e/config_blob.h"
#include "tests/e2e/processes.h"
#include "tests/mpris/child.h"
#include "tests/mpris/mpv.h"
#include "tests/support/default_scripts.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace lumivox::mpris_test {
namespace {

using test::exit_script;
using test::line_text;
using test::reset;
using test::startup;

std::string announced(const std::string& title, const std::string& artist) {
    return "\\0\\s[0]Next song is " + title + "\\nSung by " + artist + "\\e";
}

std::vector<std::string> scripts(const std::vector<e2e::Record>& records) {
    std::vector<std::string> out;
    for (const e2e::Record& r : records)
        out.push_back(r.script.value_or("<none>"));
    return out;
}

// Where a lyric line belongs: mpv's playlist entry and its time in seconds.
struct Due {
    int entry;
    double seconds;
};

// The looks at mpv around a line's time, for a failure to show.
std::string looks_near(const std::vector<Sample>& samples, const Due& due) {
    std::string out = "looks at mpv in that entry, within 1.5 s (ms, s):";
    size_t in_entry = 0;
    for (const Sample& s : samples) {
        if (s.entry != due.entry)
            continue;
        ++in_entry;
        if (std::abs(s.position - due.seconds) <= 1.5)
            out +=
                " " + std::to_string(static_cast<long>(s.t_ms)) + "/" + std::to_string(s.position);
    }
    return out + "; " + std::to_string(in_entry) + " looks in the entry";
}

class Mpris : public testing::Test {
  protected:
    void SetUp() override { folder_ = e2e::make_temp_folder(); }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    std::string log() const { return read_file(path("mpris.log")); }

    // lumivox-mpris with its settings in the test's folder, started once the
    // ghost has its start-up script.
    std::unique_ptr<Child> start_mpris(const e2e::Ghost& ghost,
                                       const std::vector<std::string>& options = {}) {
        std::vector<std::string> argv = {lane_program("lumivox-mpris"), "--trace", "--config",
                                         path("settings.bin")};
        argv.insert(argv.end(), options.begin(), options.end());
        auto child = std::make_unique<Child>(argv, path("mpris.log"));
        EXPECT_TRUE(wait_for_records(ghost, 1)) << log();
        return child;
    }

    bool wait_for_records(const e2e::Ghost& ghost, size_t count, int timeout_ms = 15000) {
        for (int waited = 0; waited < timeout_ms; waited += 20) {
            if (e2e::read_records(ghost.record_path()).size() >= count)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    // SIGTERM, as a user's session ends it: a clean exit.
    void stop_mpris(Child& mpris) {
        mpris.signal(SIGTERM);
        EXPECT_EQ(mpris.wait(15000), 0) << log();
        EXPECT_EQ(log().find("did not give back"), std::string::npos) << log();
    }

    // Every lyric line's lateness behind mpv's position, in ms; prints the
    // figures. A line sent for no known passing counts as a failure.
    std::vector<double> lateness(const std::vector<e2e::Record>& records,
                                 const std::map<std::string, Due>& due, const Mpv& mpv) {
        std::vector<double> late;
        for (const e2e::Record& r : records) {
            auto line = due.find(r.script.value_or(""));
            if (line == due.end())
                continue;
            auto passed = passing_time(mpv.samples(), line->second.entry, line->second.seconds);
            if (!passed) {
                ADD_FAILURE() << "mpv was never seen passing " << line->first << "; "
                              << looks_near(mpv.samples(), line->second);
                continue;
            }
            late.push_back(r.t_ms - *passed);
            std::printf("%-22s %8.1f ms\n", line->first.c_str(), late.back());
        }
        std::vector<double> sorted = late;
        std::sort(sorted.begin(), sorted.end());
        if (!sorted.empty())
            std::printf("lateness behind mpv's position: p50 %.1f ms, max %.1f ms, %zu lines\n",
                        sorted[sorted.size() / 2], sorted.back(), sorted.size());
        return late;
    }

    std::string folder_;
};

auto at(int entry, double seconds) {
    return [=](const Sample& s) { return s.entry == entry && s.position >= seconds; };
}

TEST_F(Mpris, SingsAlongWithMpvThroughSeekPauseAndTwoTracks) {
    // The name with a blank comes as "one%20song.wav".
    write_wav(path("one song.wav"), 12, "First Tune", "Ann Artist");
    e2e::write_file(path("one song.lrc"), "[00:02.00]One-A\n[00:03.00]One-B\n[00:04.00]One-C\n"
                                          "[00:06.00]Skipped\n[00:08.50]One-D\n"
                                          "[00:09.50]One-E\n[00:10.50]One-F\n");
    write_wav(path("two.wav"), 5, "Second Tune", "Bob Band");
    e2e::write_file(path("two.lrc"), "[00:02.00]Two-A\n[00:03.00]Two-B\n");
    e2e::Ghost ghost;
    ASSERT_TRUE(ghost.ready());
    auto mpris = start_mpris(ghost);

    // Loaded into an idle mpv, as a user drops files on it: its plugin then
    // names each track twice, first by the file's name alone, and keeps
    // saying Stopped while it plays.
    Mpv mpv(folder_, {});
    ASSERT_TRUE(mpv.ready());
    ASSERT_TRUE(mpv.wait_for_bus());
    mpv.command({"loadfile", path("one song.wav")});
    mpv.command({"loadfile", path("two.wav"), "append"});
    ASSERT_TRUE(mpv.wait_for(at(0, 4.3)));
    mpv.command({"seek", 8, "absolute"}); // over "Skipped"
    ASSERT_TRUE(mpv.wait_for(at(0, 9.0)));
    mpv.set_paused(true); // One-E is due half a second later
    mpv.watch(1500);
    mpv.set_paused(false);
    // The second track plays to its end; mpv, idle, says Stopped.
    ASSERT_TRUE(mpv.wait_for(at(1, 4.0)));
    ASSERT_TRUE(wait_for_records(ghost, 15)) << log();
    stop_mpris(*mpris);
    ghost.stop();

    auto records = e2e::read_records(ghost.record_path());
    std::vector<std::string> expected = {
        startup,
        announced("First Tune", "Ann Artist"),
        line_text("One-A"),
        line_text("One-B"),
        line_text("One-C"),
        reset, // the seek holds the run
        line_text("One-D"),
        reset, // so does the pause
        line_text("One-E"),
        line_text("One-F"),
        reset, // the next track ends the first
        announced("Second Tune", "Bob Band"),
        line_text("Two-A"),
        line_text("Two-B"),
        reset, // Stopped
        exit_script,
    };
    EXPECT_EQ(scripts(records), expected) << log();
    for (const e2e::Record& r : records)
        EXPECT_EQ(r.via, "tcp"); // a new settings file goes over TCP

    std::map<std::string, Due> due = {
        {line_text("One-A"), {0, 2.0}}, {line_text("One-B"), {0, 3.0}},
        {line_text("One-C"), {0, 4.0}}, {line_text("One-D"), {0, 8.5}},
        {line_text("One-E"), {0, 9.5}}, {line_text("One-F"), {0, 10.5}},
        {line_text("Two-A"), {1, 2.0}}, {line_text("Two-B"), {1, 3.0}},
    };
    // Generous: the machine is shared, and mpv's position moves in steps.
    for (double late : lateness(records, due, mpv))
        EXPECT_LT(std::abs(late), 400) << log();
}

TEST_F(Mpris, PlayerGoneMidTrackIsAStopAndEndsTheRunWithExitWithPlayer) {
    write_wav(path("song.wav"), 10, "Gone Tune", "Cat Choir");
    e2e::write_file(path("song.lrc"), "[00:02.00]Gone-A\n[00:04.00]Gone-B\n");
    e2e::Ghost ghost;
    ASSERT_TRUE(ghost.ready());
    auto mpris = start_mpris(ghost, {"--player", "mpv", "--exit-with-player"});
    {
        Mpv mpv(folder_, {path("song.wav")});
        ASSERT_TRUE(mpv.ready());
        ASSERT_TRUE(mpv.wait_for(at(0, 2.5)));
        mpv.crash();
    }
    EXPECT_EQ(mpris->wait(15000), 0) << log();
    ghost.stop();
    std::vector<std::string> expected = {startup, announced("Gone Tune", "Cat Choir"),
                                         line_text("Gone-A"), reset, exit_script};
    EXPECT_EQ(scripts(e2e::read_records(ghost.record_path())), expected) << log();
}

TEST_F(Mpris, FollowsThePlayerThatPlaysThenTheOneThatStartsPlaying) {
    write_wav(path("a.wav"), 10, "Tune A", "Ann");
    e2e::write_file(path("a.lrc"), "[00:02.00]A-line\n");
    write_wav(path("b.wav"), 10, "Tune B", "Bob");
    e2e::write_file(path("b.lrc"), "[00:02.00]B-line\n");
    std::filesystem::create_directory(path("a"));
    std::filesystem::create_directory(path("b"));
    e2e::Ghost ghost;
    ASSERT_TRUE(ghost.ready());
    Mpv first(folder_ + "/a", {path("a.wav")}, {"--pause"});
    ASSERT_TRUE(first.ready());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Mpv second(folder_ + "/b", {path("b.wav")});
    ASSERT_TRUE(second.ready());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // Both are on the bus; only the second plays.
    auto mpris = start_mpris(ghost);
    ASSERT_TRUE(second.wait_for(at(0, 2.5)));
    second.set_paused(true);
    first.set_paused(false);
    ASSERT_TRUE(first.wait_for(at(0, 2.5)));
    stop_mpris(*mpris);
    ghost.stop();
    auto got = scripts(e2e::read_records(ghost.record_path()));
    std::vector<std::string> sung_or_said;
    for (const std::string& s : got) {
        if (s != reset)
            sung_or_said.push_back(s);
    }
    std::vector<std::string> expected = {startup,
                                         announced("Tune B", "Bob"),
                                         line_text("B-line"),
                                         announced("Tune A", "Ann"),
                                         line_text("A-line"),
                                         exit_script};
    EXPECT_EQ(sung_or_said, expected) << log();
}

TEST_F(Mpris, NewSettingsGoOverTcpAndPrefsEditsThem) {
    // The default place, under XDG_CONFIG_HOME.
    const std::vector<std::string> environment = {"XDG_CONFIG_HOME=" + path("config")};
    const std::string settings = path("config/lumivox/settings.bin");
    {
        Child prefs({lane_program("lumivox-mpris"), "prefs", "1005=\\0Hello\\e"}, path("mpris.log"),
                    environment);
        ASSERT_EQ(prefs.wait(15000), 0) << log();
    }
    auto blob = e2e::read_blob(settings);
    ASSERT_EQ(blob.count(e2e::options_guid), 1u);
    EXPECT_EQ(e2e::word(blob[e2e::options_guid]) & 0x1000, 0u); // Direct SSTP off

    e2e::Ghost ghost;
    ASSERT_TRUE(ghost.ready());
    Child mpris({lane_program("lumivox-mpris")}, path("mpris.log"), environment);
    ASSERT_TRUE(wait_for_records(ghost, 1)) << log();
    stop_mpris(mpris);
    ghost.stop();
    auto records = e2e::read_records(ghost.record_path());
    ASSERT_EQ(scripts(records), (std::vector<std::string>{"\\0Hello\\e", exit_script}));
    EXPECT_EQ(records[0].via, "tcp");
}

TEST_F(Mpris, FailuresAreToldAndEndTheProgram) {
    std::filesystem::create_directory(path("folder.bin"));
    struct Case {
        const char* what;
        std::vector<std::string> options;
        std::vector<std::string> environment;
        const char* told;
    };
    const Case cases[] = {
        {"no session bus",
         {},
         {"DBUS_SESSION_BUS_ADDRESS=unix:path=" + path("no-bus")},
         "cannot reach the D-Bus session bus"},
        {"no module", {"--component", path("missing.so")}, {}, "cannot load the component module"},
        {"settings that cannot be read",
         {"--config", path("folder.bin")},
         {},
         "cannot read the configuration file"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv = {lane_program("lumivox-mpris")};
        argv.insert(argv.end(), c.options.begin(), c.options.end());
        if (c.options.empty() || c.options[0] != "--config")
            argv.insert(argv.end(), {"--config", path("settings.bin")});
        Child mpris(argv, path("mpris.log"), c.environment);
        EXPECT_EQ(mpris.wait(15000), 1) << c.what;
        EXPECT_NE(log().find(c.told), std::string::npos) << c.what << ": " << log();
    }
}

} // namespace
} // namespace lumivox::mpris_test
