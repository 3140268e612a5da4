// The scheduler in real time against the recording transport. Tolerances are
// generous: these machines are shared; timing quality is the benchmark's.
#include "platform/clock.h"
#include "platform/syscalls.h"
#include "sstp/request.h"
#include "sync/scheduler.h"
#include "sync/start_tick.h"
#include "sync/sync_objects.h"
#include "tests/sync/fixture.h"
#include "tests/sync/free_watch.h"
#include "timeline/timeline.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace lumivox {
namespace {

using test::delivered_scripts;
using test::Delivery;
using test::late_limit;
using test::lateness;
using test::load_timeline;
using test::sleep_ms;
using test::wait_for_deliveries;
using test::wait_for_state;

const std::string prefix = R"(\0\s[25])";
const std::string reset = R"(\_q\0\s[0]\e)";
const std::string reset_request = std::string(request_head) + reset + "\r\nCharset: UTF-8\r\n\r\n";

// Set before a run starts: the counter the scheduler then reads is the real
// one shifted by it (mod 2^32).
uint32_t tick_offset = 0;

uint32_t shifted_tick_count() {
    return platform::real_calls.tick_count() + tick_offset;
}

// A counter that stands still unless a test moves it, so that the worker's
// elapsed time at a resynchronisation is known to the millisecond.
std::atomic<uint32_t> frozen_tick{0};

uint32_t frozen_tick_count() {
    return frozen_tick.load();
}

// The number in "...\_w[N]..." of a resumed script, or -1.
long resumed_wait(const std::string& script) {
    size_t at = script.find(R"(\_w[)");
    return at == std::string::npos ? -1 : std::strtol(script.c_str() + at + 4, nullptr, 10);
}

class Scheduler : public test::RunTest {
  protected:
    static void resync(double position_seconds) {
        resync_pending = true;
        sync_resync(position_seconds);
    }
};

TEST_F(Scheduler, PlaysEachLineAtItsTime) {
    begin({{0, "L0"}, {150, "L1"}, {300, "", 1}, {450, "L3"}}, false);
    auto sent = wait_for_deliveries(4, 3000);
    ASSERT_EQ(sent.size(), 4u);
    const int32_t times[] = {0, 150, 300, 450};
    const char* texts[] = {"L0", "L1", "L1", "L3"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(test::script_of(sent[i].bytes), texts[i]);
        EXPECT_GE(lateness(sent[i], times[i]), -1) << i;
        EXPECT_LE(lateness(sent[i], times[i]), late_limit) << i;
    }
    EXPECT_EQ(test::current_line_pos(), 4);
    // After the last line the worker waits; the run stays active.
    sleep_ms(100);
    EXPECT_EQ(test::deliveries().size(), 4u);
    EXPECT_EQ(sync_state.load(), sync_running);
}

// Without waiting for a position report, a first line within the first
// second is played from the worker's start; later ones hold the run.
TEST_F(Scheduler, FirstLineRules) {
    const struct {
        int32_t first;
        bool wait_for_sync;
        bool plays;
    } cases[] = {
        {999, false, true},
        {0, false, true},
        {1000, false, false},
        {0, true, false},
    };
    for (const auto& c : cases) {
        test::use_recording_transport();
        begin({{c.first, "first"}}, c.wait_for_sync);
        auto sent = wait_for_deliveries(1, c.first + 400);
        if (c.plays) {
            ASSERT_EQ(sent.size(), 1u) << c.first;
            EXPECT_GE(lateness(sent[0], c.first), 0) << c.first;
            EXPECT_LE(lateness(sent[0], c.first), late_limit) << c.first;
        } else {
            EXPECT_TRUE(sent.empty()) << c.first;
            EXPECT_EQ(sync_state.load(), sync_held) << c.first;
        }
        sync_stop();
    }
}

TEST_F(Scheduler, ResyncResumesTheInterruptedLineThenArmsTheNext) {
    begin({{0, R"(\0\s[25]A\_w[5000]B\e)"}, {2300, R"(\0\s[25]C\e)"}}, true);
    ASSERT_TRUE(wait_for_state(sync_held, 2000));
    resync(2.0);
    EXPECT_FALSE(resync_pending.load());
    auto sent = wait_for_deliveries(2, 3000);
    ASSERT_EQ(sent.size(), 2u);
    std::string resumed = test::script_of(sent[0].bytes);
    EXPECT_EQ(resumed.substr(0, prefix.size() + 6), prefix + R"(\0\_w[)");
    EXPECT_EQ(resumed.substr(resumed.size() - 4), R"(]B\e)");
    long wait = resumed_wait(resumed);
    EXPECT_LE(wait, 3000);
    EXPECT_GE(wait, 3000 - late_limit);
    EXPECT_EQ(test::script_of(sent[1].bytes), R"(\0\s[25]C\e)");
    EXPECT_GE(lateness(sent[1], 2300), -1);
    EXPECT_LE(lateness(sent[1], 2300), late_limit);
}

// The worker acts a moment after the position report, so a line due at the
// reported position has already begun when it looks. A line begun less
// than 100 ms before is sent whole; one begun earlier is resumed from its
// waits, or skipped when it has none.
TEST_F(Scheduler, LineDueAtTheResyncIsSentWhole) {
    const std::string waits = R"(\0\s[25]A\_w[1000]B\e)";
    const std::string next = R"(\0\s[25]Next\e)";
    const struct {
        int32_t before_report; // the line's time, ms before the reported 5 s
        std::string text;
        std::vector<std::string> sent; // before "Next"
    } cases[] = {
        {0, R"(\0\s[25]At\e)", {R"(\0\s[25]At\e)"}},
        {50, R"(\0\s[25]Near\e)", {R"(\0\s[25]Near\e)"}},
        {0, waits, {waits}},
        {150, R"(\0\s[25]Gone\e)", {}},
        // 1000 - 150 - 10 ms of the wait are left.
        {150, waits, {R"(\0\s[25]\0\_w[840]B\e)"}},
    };
    platform::replace_call(&platform::SystemCalls::tick_count, &frozen_tick_count);
    for (const auto& c : cases) {
        test::use_recording_transport();
        frozen_tick = 100000;
        begin({{0, "Intro"}, {5000 - c.before_report, c.text.c_str()}, {5300, next.c_str()}}, true);
        ASSERT_TRUE(wait_for_state(sync_held, 2000));
        // The report at 5 s; the worker reads the counter 10 ms later.
        platform::lock_enter(sync_lock);
        resync(5.0);
        frozen_tick += 10;
        platform::lock_leave(sync_lock);
        std::vector<std::string> expected = c.sent;
        expected.push_back(next);
        wait_for_deliveries(expected.size(), 2000);
        sleep_ms(50);
        EXPECT_EQ(delivered_scripts(), expected) << c.before_report << " " << c.text;
        sync_stop();
    }
}

// A line the run sent shortly before a report is not sent again, unless a
// hold's reset script has taken it away since.
TEST_F(Scheduler, LineShownSinceTheLastResetIsNotSentAgain) {
    platform::replace_call(&platform::SystemCalls::tick_count, &frozen_tick_count);
    for (bool hold : {false, true}) {
        test::use_recording_transport();
        frozen_tick = 100000;
        // Played from the start: B is sent 300 ms on.
        begin({{0, "A"}, {300, "B"}, {2000, "C"}}, false);
        ASSERT_EQ(wait_for_deliveries(2, 2000).size(), 2u) << hold;
        if (hold)
            sync_hold();
        // The first report at 350 ms, taken 10 ms later: B began 60 ms ago.
        platform::lock_enter(sync_lock);
        resync(0.35);
        frozen_tick += 10;
        platform::lock_leave(sync_lock);
        std::vector<std::string> expected = {"A", "B"};
        if (hold)
            expected.insert(expected.end(), {reset, "B"});
        wait_for_deliveries(expected.size(), 2000);
        sleep_ms(200); // nothing more comes
        EXPECT_EQ(delivered_scripts(), expected) << hold;
        sync_stop();
    }
}

// A seek reaches the run as a hold and, at the next position report, a
// resynchronisation; the worker may wake for the hold, then handle the
// resynchronisation and arm the next line, and only then take the
// resynchronisation's own wake. That line must still come. Holding the lock
// across both makes the worker take the wakes in that order.
TEST_F(Scheduler, SeekThenResyncKeepsTheLineAfterTheResumedOne) {
    const char* lines[] = {R"(\0\s[25]A\e)", R"(\0\s[25]B\e)", R"(\0\s[25]C\e)", R"(\0\s[25]D\e)",
                           R"(\0\s[25]E\e)"};
    begin({{0, lines[0]}, {700, lines[1]}, {1400, lines[2]}, {2100, lines[3]}, {2800, lines[4]}},
          true);
    ASSERT_TRUE(wait_for_state(sync_held, 2000));
    for (int k = 1; k < 5; ++k) {
        // Just past line k-1: line k is due 300 ms on.
        size_t before = test::deliveries().size();
        platform::lock_enter(sync_lock);
        sync_hold();
        sleep_ms(50);
        resync(k * 0.7 - 0.3);
        platform::lock_leave(sync_lock);
        bool found = false;
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!found && std::chrono::steady_clock::now() < until) {
            auto sent = test::deliveries();
            for (size_t i = before; i < sent.size(); ++i)
                found = found || test::script_of(sent[i].bytes) == lines[k];
            sleep_ms(5);
        }
        EXPECT_TRUE(found) << "line " << k << " after a seek";
    }
}

// A run whose first line was armed directly resends nothing on its first
// resynchronisation (the position report right after the track began): the
// ghost shows that line already. After a hold's reset script it shows
// nothing, and the line is resumed.
TEST_F(Scheduler, FirstResyncAfterADirectStartResumesOnlyAfterAHold) {
    for (bool hold : {false, true}) {
        test::use_recording_transport();
        begin({{0, R"(\0\s[25]A\_w[5000]B\e)"}, {9000, "later"}}, false);
        ASSERT_EQ(wait_for_deliveries(1, 1000).size(), 1u);
        if (hold)
            sync_hold();
        resync(1.0);
        wait_for_deliveries(hold ? 3 : 1, 2000);
        sleep_ms(300); // nothing more comes
        auto sent = test::deliveries();
        ASSERT_EQ(sent.size(), hold ? 3u : 1u) << testing::PrintToString(delivered_scripts());
        if (hold) {
            EXPECT_EQ(sent[1].bytes, reset_request);
            long wait = resumed_wait(test::script_of(sent[2].bytes));
            EXPECT_LE(wait, 4000);
            EXPECT_GE(wait, 4000 - late_limit);
        }
        sync_stop();
    }
}

TEST_F(Scheduler, FailedSendHaltsTheRunUntilTheNextResync) {
    test::use_recording_transport(0);
    begin({{0, "L0"}, {200, "L1"}, {400, "L2"}, {600, "L3"}}, false);
    wait_for_deliveries(1, 2000);
    sleep_ms(400); // past L1's time
    EXPECT_EQ(delivered_scripts(), std::vector<std::string>{"L0"});
    EXPECT_EQ(test::current_line_pos(), 0);
    test::set_deliver_result(1);
    // L1 began 150 ms before: too long ago to be sent whole.
    resync(0.35);
    wait_for_deliveries(3, 1000);
    sleep_ms(100);
    EXPECT_EQ(delivered_scripts(), (std::vector<std::string>{"L0", "L2", "L3"}));
}

TEST_F(Scheduler, HoldAndStopSendTheResetScript) {
    begin({{800, "never"}}, false);
    // Hold and stop act on the state they find.
    sync_hold();
    EXPECT_EQ(sync_state.load(), sync_held);
    sync_hold();
    sync_stop();
    EXPECT_EQ(sync_state.load(), sync_stopped);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(entries, nullptr);
    EXPECT_EQ(template_prefix, nullptr);
    sync_stop();
    sync_hold();
    wait_for_deliveries(2, 3000);
    sleep_ms(1000); // past the line's time: it never comes
    auto sent = test::deliveries();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].bytes, reset_request);
    EXPECT_EQ(sent[1].bytes, reset_request);

    // A Timeline that never played is freed without a reset.
    test::use_recording_transport();
    load_timeline({{0, "x"}});
    sync_stop();
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(test::deliveries().empty());
}

TEST_F(Scheduler, ResyncActsOnlyWhenPending) {
    // Not pending: a held run stays held.
    begin({{5000, "x"}}, true);
    ASSERT_TRUE(wait_for_state(sync_held, 2000));
    uint32_t before = start_tick;
    sync_resync(1.0);
    EXPECT_EQ(sync_state.load(), sync_held);
    EXPECT_EQ(start_tick.load(), before);
    sync_stop();

    // Pending while stopped: the flag is consumed, nothing else changes.
    resync_pending = true;
    sync_resync(1.0);
    EXPECT_FALSE(resync_pending.load());
    EXPECT_EQ(sync_state.load(), sync_stopped);
    EXPECT_EQ(start_tick.load(), before);
}

TEST_F(Scheduler, ReportedPositionIsTruncatedToMilliseconds) {
    const struct {
        double seconds;
        uint32_t ms;
    } cases[] = {
        {12.3456, 12345},       {0.9999, 999},     {0.0, 0},
        {1.95, 1950}, // on x86 too, where the product could be kept wider than a double
        {-0.0015, 0xFFFFFFFFu}, {4294967.2965, 0}, // 2^32 ms: only the low 32 bits count
    };
    begin({{100000, "x"}}, true);
    for (const auto& c : cases) {
        resync_pending = true;
        uint32_t before = platform::tick_count();
        sync_resync(c.seconds);
        uint32_t after = platform::tick_count();
        EXPECT_EQ(sync_state.load(), sync_running);
        // start_tick = (tick at the call) - ms, for a tick in [before, after].
        EXPECT_LE(static_cast<uint32_t>(start_tick + c.ms - before), after - before) << c.seconds;
    }
}

TEST_F(Scheduler, PlaysAcrossTheWrapOfTheTickCounter) {
    // 300 ms before the counter wraps.
    tick_offset = 0u - 300u - platform::tick_count();
    platform::replace_call(&platform::SystemCalls::tick_count, &shifted_tick_count);
    begin({{200, "L0"}, {250, "L1"}, {400, "L2"}, {650, "L3"}}, true);
    ASSERT_TRUE(wait_for_state(sync_held, 2000));
    resync(0.0);
    auto sent = wait_for_deliveries(4, 3000);
    ASSERT_EQ(sent.size(), 4u);
    const int32_t times[] = {200, 250, 400, 650};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_GE(lateness(sent[i], times[i]), -1) << i;
        EXPECT_LE(lateness(sent[i], times[i]), late_limit) << i;
    }
    EXPECT_GT(sent[0].tick, 0x80000000u);
    EXPECT_LT(sent[3].tick, 0x80000000u);
}

// A position report that lands before the new worker has made its first
// decision must not be undone by the worker's initial hold.
TEST_F(Scheduler, EarlyResyncIsNotOverwrittenByTheInitialHold) {
    for (int round = 0; round < 8; ++round) {
        test::use_recording_transport();
        begin({{250, "first"}}, true);
        resync(0.0);
        ASSERT_EQ(wait_for_deliveries(1, 1000).size(), 1u) << round;
        sync_stop();
    }
}

TEST_F(Scheduler, StopFreesEveryOwnedTextOnce) {
    // Shared entries point both ways: a line's owner may stand later.
    load_timeline({{0, "", 2}, {100, "one"}, {200, "two"}, {300, "", 1}, {400, "", 2}},
                  prefix.c_str());
    std::vector<const void*> blocks = {entries, entries[1].text, entries[2].text, template_prefix};
    // Also after a run that played, held and resent.
    sync_start(false);
    test::wait_for_deliveries(1, 1000);
    sync_hold();
    resync(0.15);
    test::watch_frees(blocks);
    sync_stop();
    std::vector<int> frees = test::watched_frees();
    EXPECT_EQ(count, 0);
    EXPECT_EQ(entries, nullptr);
    EXPECT_EQ(template_prefix, nullptr);
    if (!test::free_watch_available())
        GTEST_SKIP() << "free() cannot be counted on this lane: the native lane counts "
                        "the frees, and under AddressSanitizer this run fails on a "
                        "double free or a leak";
    EXPECT_EQ(frees, (std::vector<int>{1, 1, 1, 1}));
}

} // namespace
} // namespace lumivox
