// The whole component, as a user meets it: the substitute host loads the
// module and plays scenarios, the substitute mascot host records what the
// ghost receives.
#include "tests/e2e/config_blob.h"
#include "tests/e2e/processes.h"
#include "tests/e2e/track_folder.h"
#include "tests/support/default_scripts.h"

#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox::e2e {
namespace {

using test::exit_script;
using test::line_text;
using test::reset;
using test::startup;

// A configuration blob with the two words set; the texts keep their defaults.
std::string config_blob(uint32_t options, uint32_t features) {
    return word_record(features_guid, features) + word_record(options_guid, options);
}

class Component : public TrackFolder {
  protected:
    // Runs the scenario against a fresh ghost; the records it received.
    std::vector<Record> play(const std::string& scenario, const std::string& config = "",
                             std::vector<std::string> ghost_args = {}) {
        Ghost ghost(ghost_args);
        EXPECT_TRUE(ghost.ready());
        std::vector<std::string> args = {"--trace"};
        if (!config.empty()) {
            write_file(path("config.bin"), config);
            args.insert(args.end(), {"--config", path("config.bin")});
        }
        args.insert(args.end(), {"run", "-"});
        host_ = run_program("lumivox-host", args, scenario);
        EXPECT_EQ(host_.status, 0) << host_.err;
        ghost.stop();
        return read_records(ghost.record_path());
    }
};

TEST_F(Component, DefaultStartUpGoesDirectWithUtf8AndRegistersFiveEvents) {
    auto records = play("start\nexit\n");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].via, "direct");
    EXPECT_EQ(records[0].script, startup);
    EXPECT_EQ(records[0].charset, "UTF-8");
    EXPECT_EQ(records[1].script, exit_script);
    EXPECT_NE(host_.err.find("register playback callbacks, mask 286"), std::string::npos);
    EXPECT_EQ(host_.err.find("did not give back"), std::string::npos) << host_.err;
}

TEST_F(Component, FeaturesOffSendsNothing) {
    write_file(path("song.lrc"), "[00:00.10]La\n");
    auto records = play("start\ntrack " + path("song.mp3") + " title=T\ntime 1\nexit\n",
                        config_blob(0x1100, 0));
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(host_.err.find("register playback"), std::string::npos);
}

TEST_F(Component, ExitOverTcp) {
    auto records = play("start\nexit\n", config_blob(0x0100, 0x111));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].via, "tcp");
    EXPECT_EQ(records[0].script, startup);
    EXPECT_EQ(records[1].via, "tcp");
    EXPECT_EQ(records[1].script, exit_script);
}

// A first line within two seconds of the start replaces the announcement.
TEST_F(Component, AnnouncementOnlyWhenTheFirstLineIsTwoSecondsAway) {
    write_file(path("early.lrc"), "[00:01.999]Early\n");
    write_file(path("late.lrc"), "[00:02.000]Late\n");
    write_file(path("early.mp3"), "x");
    write_file(path("late.mp3"), "x");
    auto records = play("start\n"
                        "track " +
                        path("early.mp3") +
                        " title=Early artist=A\n"
                        "play 3\n"
                        "track " +
                        path("late.mp3") +
                        " title=Late artist=A\n"
                        "play 3\n"
                        "exit\n");
    std::vector<std::string> expected = {
        startup,
        line_text("Early"),
        reset, // the next track stops the first run
        "\\0\\s[0]Next song is Late\\nSung by A\\e",
        line_text("Late"),
        reset,
        exit_script,
    };
    EXPECT_EQ(scripts(records), expected);
}

TEST_F(Component, PausedTrackIsAnnouncedAndWaitsForPlayback) {
    write_file(path("song.lrc"), "[00:00.50]Soon\n");
    auto records = play("start\n"
                        "track " +
                        path("song.mp3") +
                        " title=T artist=A paused\n"
                        "sleep 1500\n"
                        "resume\n"
                        "time 0.2\n"
                        "sleep 1500\n"
                        "exit\n");
    std::vector<std::string> expected = {startup, "\\0\\s[0]Next song is T\\nSung by A\\e",
                                         line_text("Soon"), reset, exit_script};
    EXPECT_EQ(scripts(records), expected);
}

TEST_F(Component, TrackWithoutLyricsIsAnnouncedOnly) {
    auto records = play("start\ntrack " + path("song.mp3") + " title=T\nplay 2\nexit\n");
    std::vector<std::string> expected = {startup, "\\0\\s[0]Next song is T\\e", exit_script};
    EXPECT_EQ(scripts(records), expected);
}

// Tag names are matched ignoring case, the first of two fields wins, and tag
// values cannot inject commands into the announcement.
TEST_F(Component, AnnouncementTakesTagsSafely) {
    auto records = play("start\ntrack " + path("song.mp3") +
                        " title=\"Back\\slash\" ARTIST=First ARTIST=Second\nexit\n");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].script, "\\0\\s[0]Next song is Back\\\\slash\\nSung by First\\e");
}

// Seek and pause hold the run with the reset script; the seek, and the
// resume from where the pause held it, resend the rest of the interrupted
// line at once. A report that agrees with the seek changes nothing.
TEST_F(Component, SeekAndPauseResendTheInterruptedLine) {
    write_file(path("song.lrc"), "[00:01.00]Hello\\_w[1000]world\n[00:09.00]Later\n");
    auto records = play("start\n"
                        "track " +
                        path("song.mp3") +
                        " title=T\n"
                        "time 0.5\n"
                        "sleep 1200\n"
                        "seek 1.5\n"
                        "time 1.5\n"
                        "sleep 300\n"
                        "pause\n"
                        "resume\n"
                        "sleep 300\n"
                        "exit\n");
    // A resumed wait is what is left of the line when the host acts on the
    // report, so on a busy machine it may come a few milliseconds short.
    std::vector<std::string> got = scripts(records);
    for (size_t i : {size_t{3}, size_t{5}})
        if (i < got.size())
            got[i] = settled_wait(got[i], i == 3 ? 500 : 200);
    // The first line comes within two seconds: no announcement.
    std::vector<std::string> expected = {
        startup, line_text("Hello\\_w[1000]world"), reset, "\\0\\s[25]\\0\\_w[500]world\\e",
        reset,   "\\0\\s[25]\\0\\_w[200]world\\e",  reset, exit_script,
    };
    EXPECT_EQ(got, expected);
}

TEST_F(Component, GhostThatStartsLaterIsFoundAtTheNextTrack) {
    write_file(path("song.lrc"), "[00:00.10]Hi\n");
    // No ghost while the first track starts: nothing is sent, nothing hangs.
    Finished alone = run_program("lumivox-host", {"run", "-"},
                                 "start\ntrack " + path("song.mp3") + " title=T\ntime 1\nexit\n");
    EXPECT_EQ(alone.status, 0) << alone.err;
    auto records = play("start\ntrack " + path("song.mp3") + " title=T\nsleep 500\nexit\n");
    EXPECT_EQ(scripts(records),
              (std::vector<std::string>{startup, line_text("Hi"), reset, exit_script}));
}

struct BadInput {
    const char* name;
    std::vector<std::string> args;
    std::string scenario;
    std::string config;
    std::string message;
};

TEST_F(Component, BadInputGivesAClearMessageAndNonZeroExit) {
    std::string not_a_component = lane().bin + (lane().windows ? "/shared.dll" : "/libshared.so");
    std::vector<BadInput> cases = {
        {"missing module",
         {"--component", path("nothing.so"), "run", "-"},
         "start\n",
         "",
         "cannot load the component module"},
        {"module without the export",
         {"--component", not_a_component, "run", "-"},
         "start\n",
         "",
         "does not export foobar2000_get_interface"},
        {"corrupt configuration",
         {"--config", path("bad.cfg"), "run", "-"},
         "start\n",
         std::string(17, '\x01'),
         "is damaged"},
        {"unknown word", {"run", "-"}, "start\ndance\n", "", "line 2: unknown word \"dance\""},
        {"missing track",
         {"run", "-"},
         "start\ntrack " + path("none.mp3") + "\n",
         "",
         "line 2: cannot open"},
    };
    for (const BadInput& c : cases) {
        if (!c.config.empty())
            write_file(path("bad.cfg"), c.config);
        Finished f = run_program("lumivox-host", c.args, c.scenario);
        EXPECT_NE(f.status, 0) << c.name;
        EXPECT_NE(f.status, -1) << c.name << ": still running";
        EXPECT_NE(f.err.find(c.message), std::string::npos) << c.name << ": " << f.err;
    }
}

} // namespace
} // namespace lumivox::e2e
