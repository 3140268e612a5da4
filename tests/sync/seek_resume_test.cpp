// A seek and a resume go on at once from the position they bring, with no
// position report in between; the next report only corrects the run, and
// never resends what the ghost shows.
#include "platform/clock.h"
#include "platform/syscalls.h"
#include "sstp/request.h"
#include "sync/scheduler.h"
#include "sync/start_tick.h"
#include "tests/sync/fixture.h"
#include "timeline/timeline.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox {
namespace {

using test::delivered_scripts;
using test::late_limit;
using test::sleep_ms;
using test::wait_for_deliveries;

const std::string reset = R"(\_q\0\s[0]\e)";

// A clock the test can stop for a moment, so that a report can be made at
// a position the run's clock is known to stand at.
std::atomic<bool> clock_stopped{false};
std::atomic<uint32_t> stopped_at{0};

uint32_t stoppable_tick_count() {
    return clock_stopped.load() ? stopped_at.load() : platform::real_calls.tick_count();
}

// Reports the position the run's clock stands at, moved by offset_s.
void report_off_the_clock(double offset_s) {
    stopped_at = platform::real_calls.tick_count();
    clock_stopped = true;
    sync_resync(elapsed_since(stopped_at, start_tick) / 1000.0 + offset_s);
    clock_stopped = false;
}

// The deliveries after the first `skip`, as scripts.
std::vector<std::string> scripts_after(size_t skip) {
    std::vector<std::string> all = delivered_scripts();
    return {all.begin() + static_cast<std::ptrdiff_t>(std::min(skip, all.size())), all.end()};
}

class SeekResume : public test::RunTest {};

const std::vector<test::Line> song = {{0, "A"},    {2000, "B"}, {2100, "C"}, {2400, "D"},
                                      {2700, "E"}, {2900, "F"}, {9000, "G"}};

// Lines 100 to 900 ms after the seek's position come on time, though no
// report follows the seek.
TEST_F(SeekResume, SeekGoesOnAtOnceFromItsPosition) {
    // Also when the run still waits for its first report.
    for (bool waiting : {false, true}) {
        test::use_recording_transport();
        begin(song, waiting);
        if (waiting) {
            ASSERT_TRUE(test::wait_for_state(sync_held, 2000));
        } else {
            ASSERT_EQ(wait_for_deliveries(1, 1000).size(), 1u);
        }
        size_t before = test::deliveries().size();
        sync_seek(2.0, false);
        // A running run is held first: its reset script.
        size_t skip = before + (waiting ? 0 : 1);
        expect_on_time(skip, {{2000, "B"}, {2100, "C"}, {2400, "D"}, {2700, "E"}, {2900, "F"}});
        if (!waiting) {
            EXPECT_EQ(delivered_scripts()[before], reset);
        }
        sync_stop();
    }
}

// A pause holds the run where it stood; the resume goes on from there at
// once. A seek while paused names where the resume goes on.
TEST_F(SeekResume, ResumeGoesOnAtOnceFromWhereTheRunWasHeld) {
    for (bool seek_while_paused : {false, true}) {
        test::use_recording_transport();
        begin(song, false);
        ASSERT_EQ(wait_for_deliveries(1, 1000).size(), 1u);
        sleep_ms(100);
        // The hold takes the position at its call, no earlier than this.
        int32_t held = elapsed_since(platform::tick_count(), start_tick);
        sync_hold();
        if (seek_while_paused)
            sync_seek(1.95, true);
        wait_for_deliveries(2, 2000);
        sleep_ms(300); // nothing more comes while paused
        EXPECT_EQ(delivered_scripts(), (std::vector<std::string>{"A", reset}));
        sync_resume();
        EXPECT_EQ(sync_state.load(), sync_running);
        int32_t now = elapsed_since(platform::tick_count(), start_tick);
        if (seek_while_paused) {
            EXPECT_GE(now, 1950);
            expect_on_time(2, {{2000, "B"}, {2100, "C"}, {2400, "D"}});
        } else {
            EXPECT_GE(now, held);
            EXPECT_LE(now, held + late_limit);
        }
        sync_stop();
    }
}

// The report after a seek changes nothing when it agrees within the
// tolerance; otherwise it moves the run, without resending a line the ghost
// shows, and a line the move passes over is still sent.
TEST_F(SeekResume, NextReportCorrectsOnlyBeyondTheTolerance) {
    const struct {
        double seek;
        double report_offset; // seconds from where the run's clock stands
        bool moves;
        std::vector<std::string> sent; // after the seek, before G
    } cases[] = {
        {2.05, 0.02, false, {"B", "C", "D"}},
        {2.05, -0.02, false, {"B", "C", "D"}},
        {2.05, -0.08, true, {"B", "C", "D"}},
        // 2.05 -> 2.25: C began 150 ms before, after where the clock stood.
        {2.05, 0.2, true, {"B", "C", "D"}},
    };
    platform::replace_call(&platform::SystemCalls::tick_count, &stoppable_tick_count);
    for (const auto& c : cases) {
        test::use_recording_transport();
        begin({{0, "A"}, {2000, "B"}, {2100, "C"}, {2400, "D"}, {9000, "G"}}, true);
        ASSERT_TRUE(test::wait_for_state(sync_held, 2000));
        sync_seek(c.seek, false);
        ASSERT_TRUE(resync_pending.load());
        ASSERT_EQ(wait_for_deliveries(1, 1000).size(), 1u);
        uint32_t before = start_tick;
        report_off_the_clock(c.report_offset);
        EXPECT_FALSE(resync_pending.load());
        EXPECT_EQ(start_tick.load() != before, c.moves) << c.report_offset;
        wait_for_deliveries(c.sent.size(), 2000);
        sleep_ms(100);
        EXPECT_EQ(delivered_scripts(), c.sent) << c.report_offset;
        // Only the next report corrects.
        resync_pending = false;
        sync_stop();
    }
}

// A seek back resends what the user hears again.
TEST_F(SeekResume, SeekBackResendsTheLinesAgain) {
    begin({{0, "A"}, {300, "B"}, {600, "C"}}, false);
    ASSERT_EQ(wait_for_deliveries(3, 2000).size(), 3u);
    sync_seek(0.25, false);
    wait_for_deliveries(6, 2000);
    sleep_ms(100);
    EXPECT_EQ(delivered_scripts(), (std::vector<std::string>{"A", "B", "C", reset, "B", "C"}));
}

// Paused and resumed inside a line with waits, the rest of the line comes
// once, also when the next report corrects the run.
TEST_F(SeekResume, PauseInsideALineResumesItsRestOnce) {
    begin({{0, R"(\0\s[25]A\_w[800]B\_w[800]C\e)"}, {3000, "later"}}, false);
    ASSERT_EQ(wait_for_deliveries(1, 1000).size(), 1u);
    sleep_ms(300);
    sync_hold();
    sleep_ms(200);
    sync_resume();
    ASSERT_EQ(wait_for_deliveries(3, 1000).size(), 3u);
    report_off_the_clock(0.1);
    sleep_ms(300);
    std::vector<std::string> sent = scripts_after(1);
    ASSERT_EQ(sent.size(), 2u) << testing::PrintToString(sent);
    EXPECT_EQ(sent[0], reset);
    const std::string head = R"(\0\s[25]\0\_w[)";
    const std::string tail = R"(]B\_w[800]C\e)";
    ASSERT_GT(sent[1].size(), head.size() + tail.size());
    EXPECT_EQ(sent[1].substr(0, head.size()), head);
    EXPECT_EQ(sent[1].substr(sent[1].size() - tail.size()), tail);
}

} // namespace
} // namespace lumivox
