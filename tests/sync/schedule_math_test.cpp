// The schedule's arithmetic on fixed ticks: where a resynchronisation lands,
// which line it resumes, and the due times handed to the timer.
#include "sync/scheduler.h"
#include "tests/sync/fixture.h"
#include "timeline/timeline.h"

#include <gtest/gtest.h>

namespace lumivox {
namespace {

class ScheduleMath : public testing::Test {
  protected:
    void SetUp() override {
        test::use_recording_transport();
        test::load_timeline({{500, "first"}, {2000, "second"}, {3500, "third"}});
    }
    void TearDown() override { sync_stop(); }
};

TEST_F(ScheduleMath, ResynchronisationTargets) {
    const struct {
        int32_t elapsed;
        bool resend_allowed;
        int32_t line;
        int32_t resume_ms;
        int64_t due; // for the line found, at that elapsed time
        // Lines shown_from to shown_to - 1 were sent since the last reset.
        int32_t shown_from = 0;
        int32_t shown_to = 0;
        int32_t caught_up = no_catch_up;
    } cases[] = {
        {1000, true, 1, 500, -10'000'000},
        {3000, true, 2, 1000, -5'000'000},
        {2000, true, 1, 0, 0},
        {400, true, 0, 0, -1'000'000},
        {1000, false, 1, 0, -10'000'000},
        {500, true, 0, 0, 0},
        {-250, true, 0, 0, -7'500'000},
        {3500, true, 2, 0, 0},
        // Past the last line's time: nothing left, and the last line is not
        // resent from its middle.
        {3600, true, 3, 0, 0},
        {1'000'000, true, 3, 0, 0},
        // A line begun less than 100 ms before is sent whole, at once; the
        // line before it is not resumed.
        {2001, true, 1, 0, 10'000},
        {2099, true, 1, 0, 990'000},
        {2100, true, 2, 100, -14'000'000},
        {3599, true, 2, 0, 990'000},
        {550, false, 0, 0, 500'000},
        // Not when the run sent it already: it played from its start, and
        // this is the first report.
        {2050, false, 2, 0, -14'500'000, 0, 2},
        {2000, false, 2, 0, -15'000'000, 1, 2},
        {2050, false, 1, 0, 500'000, 2, 2},
        // A line the ghost shows is not resumed, nor sent again when a
        // correction moves the run back over it.
        {2500, true, 2, 0, -10'000'000, 0, 2},
        {1950, true, 2, 0, -15'500'000, 0, 2},
        {2500, true, 2, 500, -10'000'000, 0, 1},
        // A correction from 1900 to 2300 passes over the line at 2000, which
        // is due; without it the line would be resumed instead.
        {2300, true, 1, 0, 3'000'000, 0, 1, 1900},
        {2300, true, 2, 300, -12'000'000, 0, 1},
        // Only lines after where the clock stood are caught up.
        {2300, true, 2, 300, -12'000'000, 0, 1, 2000},
    };
    for (const auto& c : cases) {
        ResyncTarget target =
            resync_target(c.elapsed, c.resend_allowed, c.shown_from, c.shown_to, c.caught_up);
        EXPECT_EQ(target.line, c.line) << c.elapsed;
        EXPECT_EQ(target.resume_ms, c.resume_ms) << c.elapsed;
        if (target.line < 3) {
            EXPECT_EQ(line_due_time(c.elapsed, entries[target.line].time), c.due) << c.elapsed;
        }
    }
}

TEST(ScheduleArithmetic, DueTimesAfterASend) {
    // Line 0 at 500 sent at elapsed 510: line 1 (2000) is 1490 ms ahead; at
    // elapsed 2500 it is already due and fires at once.
    EXPECT_EQ(line_due_time(510, 2000), -14'900'000);
    EXPECT_EQ(line_due_time(2500, 2000), 5'000'000);
    // The difference is taken in 32 bits, then widened with its sign.
    EXPECT_EQ(line_due_time(INT32_MIN, INT32_MAX), 10'000);
    EXPECT_EQ(line_due_time(-1000, 0), -10'000'000);
}

TEST(ScheduleArithmetic, ElapsedAcrossTheWrap) {
    const struct {
        uint32_t tick;
        uint32_t start;
        int32_t elapsed;
    } cases[] = {
        {0x00000100u, 0xFFFFFF00u, 512},
        {0xFFFFFFFFu, 0xFFFFFF00u, 255},
        {5u, 10u, -5},
        {0x80000000u, 0u, INT32_MIN},
        {1000u, 0u, 1000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(elapsed_since(c.tick, c.start), c.elapsed) << c.tick << " " << c.start;
    // A start near the top of the counter and a due time after the wrap.
    uint32_t start = 0xFFFFFE0Cu; // 500 ms before the wrap
    EXPECT_EQ(line_due_time(elapsed_since(0x000001F4u, start), 2000), -10'000'000);
}

} // namespace
} // namespace lumivox
