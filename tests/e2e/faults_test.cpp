// A ghost that misbehaves must never freeze or crash the player: the host's
// operations return within about one delivery time limit, and the component
// sings again once the ghost behaves.
#include "tests/e2e/config_blob.h"
#include "tests/e2e/processes.h"
#include "tests/e2e/track_folder.h"
#include "tests/support/default_scripts.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace lumivox::e2e {
namespace {

using test::exit_script;
using test::line_text;
using test::reset;
using test::startup;

// cfg_options 0x0100 (TCP), the features left at their default.
std::string tcp_config() {
    return word_record(options_guid, 0x0100);
}

struct TraceLine {
    double t_ms;
    std::string text;
};

std::vector<TraceLine> trace_of(const std::string& err) {
    std::vector<TraceLine> lines;
    std::istringstream in(err);
    std::string line;
    while (std::getline(in, line)) {
        size_t at = line.find(" host: ");
        if (at != std::string::npos)
            lines.push_back({std::strtod(line.c_str(), nullptr), line.substr(at + 7)});
    }
    return lines;
}

// Milliseconds from the trace line that starts with from to the next one
// that starts with to; -1 when there are none.
double duration_between(const std::vector<TraceLine>& trace, const std::string& from,
                        const std::string& to) {
    for (size_t i = 0; i < trace.size(); ++i) {
        if (trace[i].text.rfind(from, 0) != 0)
            continue;
        for (size_t j = i + 1; j < trace.size(); ++j) {
            if (trace[j].text.rfind(to, 0) == 0)
                return trace[j].t_ms - trace[i].t_ms;
        }
    }
    return -1;
}

class Faults : public TrackFolder {
  protected:
    void SetUp() override {
        TrackFolder::SetUp();
        // A line every 200 ms, so that the ghost is busy when it hangs.
        std::string lyric;
        for (int i = 0; i < 40; ++i)
            lyric += "[00:0" + std::to_string(i / 5) + "." + std::to_string(i % 5 * 2) + "0]Line " +
                     std::to_string(i) + "\n";
        write_file(path("song.lrc"), lyric);
    }
};

// The ghost answers the start-up script and two lines, then hangs. Whatever
// the host does next returns within about the 2 s limit of one delivery.
TEST_F(Faults, GhostThatHangsMidTrackNeverHoldsTheHost) {
    for (const char* operation : {"stop", "seek 3", "exit"}) {
        Ghost ghost({"--hang-after", "3"});
        ASSERT_TRUE(ghost.ready());
        std::string scenario =
            "start\ntrack " + path("song.mp3") + " title=T\nsleep 1200\n" + operation + "\n";
        if (std::string(operation) != "exit")
            scenario += "sleep 10\nexit\n";
        Finished host = run_program("lumivox-host", {"--trace", "run", "-"}, scenario, 60000);
        EXPECT_EQ(host.status, 0) << operation << "\n" << host.err;
        auto trace = trace_of(host.err);
        std::string word = std::string(operation).substr(0, 4);
        double took = word == "exit" ? duration_between(trace, "host exit", "unloaded")
                                     : duration_between(trace, word, "host exit");
        EXPECT_GE(took, 0) << operation;
        EXPECT_LT(took, 4000) << operation << " took " << took << " ms";
        EXPECT_LT(duration_between(trace, "host exit", "unloaded"), 4000) << operation;
    }
}

TEST_F(Faults, GhostThatRejectsIsLeftAlone) {
    Ghost ghost({"--reject"});
    ASSERT_TRUE(ghost.ready());
    Finished host = run_program("lumivox-host", {"run", "-"},
                                "start\ntrack " + path("song.mp3") +
                                    " title=T\nsleep 1000\nseek 2\ntime 2\nsleep 500\nexit\n");
    EXPECT_EQ(host.status, 0) << host.err;
    ghost.stop();
    auto records = read_records(ghost.record_path());
    ASSERT_FALSE(records.empty());
    // The first refused line halts the run, and a refusal forgets the window,
    // so only a probe (the next track) could bring another request.
    EXPECT_LE(records.size(), 3u);
    for (const Record& r : records)
        EXPECT_EQ(r.status, 0);
}

TEST_F(Faults, GhostThatAnswersGarbageOverTcp) {
    write_file(path("config.bin"), tcp_config());
    Ghost ghost({"--garbage"});
    ASSERT_TRUE(ghost.ready());
    Finished host = run_program("lumivox-host", {"--config", path("config.bin"), "run", "-"},
                                "start\ntrack " + path("song.mp3") +
                                    " title=T\nsleep 800\nseek 1\ntime 1\nsleep 300\nexit\n");
    EXPECT_EQ(host.status, 0) << host.err;
    ghost.stop();
    // The start-up script, the first line (which halts the run), the seek's
    // reset, the line resumed at the seek (which halts it again), the exit's
    // reset and exit script.
    auto records = read_records(ghost.record_path());
    EXPECT_EQ(scripts(records),
              (std::vector<std::string>{startup, line_text("Line 0"), reset, line_text("Line 5"),
                                        reset, exit_script}));
}

// The ghost goes away in the middle of a track and comes back: the next new
// track finds it and sings again, in the same host process.
TEST_F(Faults, GhostThatVanishesAndComesBack) {
    auto first = std::make_unique<Ghost>();
    ASSERT_TRUE(first->ready());
    std::string track = "track " + path("song.mp3") + " title=T\n";
    Running host("lumivox-host", {"run", "-"},
                 "start\n" + track + "sleep 3000\n" + track + "sleep 4000\n" + track +
                     "sleep 1500\nexit\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    first->stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    Ghost second;
    ASSERT_TRUE(second.ready());
    Finished done = host.finish(60000);
    EXPECT_EQ(done.status, 0) << done.err;
    second.stop();
    auto before = read_records(first->record_path());
    auto after = read_records(second.record_path());
    EXPECT_GE(before.size(), 3u);
    ASSERT_GE(after.size(), 3u);
    EXPECT_EQ(after.front().script, "\\0\\s[25]Line 0\\e");
}

} // namespace
} // namespace lumivox::e2e
