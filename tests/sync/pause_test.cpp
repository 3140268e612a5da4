// Pauses between lines: at a pause the ghost stops singing (the reset script
// a hold sends) when it sings a line, and nothing is sent when it does not.
// A pause is never resumed, and a resynchronisation that lands in one sends
// nothing until the next line.
#include "platform/clock.h"
#include "platform/lock.h"
#include "platform/syscalls.h"
#include "sstp/request.h"
#include "sync/scheduler.h"
#include "sync/start_tick.h"
#include "sync/sync_objects.h"
#include "tests/sync/fixture.h"
#include "timeline/timeline.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox {
namespace {

using test::delivered_scripts;
using test::Delivery;
using test::sleep_ms;
using test::wait_for_deliveries;

const std::string reset = R"(\_q\0\s[0]\e)";
const std::string reset_request = std::string(request_head) + reset + "\r\nCharset: UTF-8\r\n\r\n";
const char* const pause = nullptr;

class Pauses : public test::RunTest {
  protected:
    // Waits for the scripts, then a while longer for anything more; each
    // one came on time.
    static void expect_sent(const std::vector<std::pair<int32_t, std::string>>& due,
                            size_t skip = 0) {
        expect_on_time(skip, due, 300);
    }
};

// Played from its start: the line, at the pause the reset (as UTF-8,
// whatever the lines' charset), then the next line; pauses in a row act once.
TEST_F(Pauses, APauseEndsTheLineBeingSung) {
    begin({{0, "A"}, {300, pause}, {450, pause}, {600, "B"}, {900, pause}}, false);
    expect_sent({{0, "A"}, {300, reset}, {600, "B"}, {900, reset}});
    EXPECT_EQ(test::deliveries()[1].bytes, reset_request);
    EXPECT_EQ(test::current_line_pos(), 5);
}

// Where nothing is being sung (held by a seek, whose reset has already
// cleared the ghost; a run that waits for its first report), a pause sends
// nothing, and the resynchronisation that lands inside a pause resumes
// nothing of the line before it, however long that line's waits run on.
TEST_F(Pauses, NothingIsSentInAPause) {
    const char* long_line = R"(\0\s[25]A\_w[3000]still A\e)";
    const struct {
        const char* name;
        bool seek; // else the first report of a run that waits for one
        double position;
        std::vector<std::pair<int32_t, std::string>> sent; // after the seek's reset
    } cases[] = {
        {"seek into the pause", true, 0.9, {{1500, "B"}}},
        {"first report inside the pause", false, 0.9, {{1500, "B"}}},
        // Just before the pause: the line is resumed, and the pause ends it.
        {"seek into the line before the pause",
         true,
         0.5,
         {{500, R"(\0\s[25]\0\_w[2500]still A\e)"}, {800, reset}, {1500, "B"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::use_recording_transport();
        begin({{0, long_line}, {800, pause}, {1500, "B"}}, !c.seek);
        size_t skip = 0;
        if (c.seek) {
            ASSERT_EQ(wait_for_deliveries(1, 1000).size(), 1u);
            sync_seek(c.position, false);
            skip = 2; // the line, the seek's reset
        } else {
            ASSERT_TRUE(test::wait_for_state(sync_held, 2000));
            resync_pending = true;
            sync_resync(c.position);
        }
        std::vector<std::pair<int32_t, std::string>> due = c.sent;
        if (!due.empty() && due[0].second.find("still") != std::string::npos) {
            // What is left of the wait depends on when the worker looked.
            std::vector<Delivery> sent = wait_for_deliveries(skip + 1, 2000);
            ASSERT_GT(sent.size(), skip);
            std::string resumed = test::script_of(sent[skip].bytes);
            EXPECT_EQ(resumed.substr(0, 14), R"(\0\s[25]\0\_w[)");
            EXPECT_EQ(resumed.substr(resumed.size() - 10), R"(]still A\e)");
            due.erase(due.begin());
            skip += 1;
        }
        expect_sent(due, skip);
        sync_stop();
    }
}

// A report that moves a running run past a pause while the ghost still shows
// the line before it: the pause is due at once and takes the line away.
TEST_F(Pauses, ACorrectionPastAPauseStillEndsTheLine) {
    begin({{0, "A"}, {500, pause}, {3000, "B"}}, false);
    ASSERT_EQ(wait_for_deliveries(1, 1000).size(), 1u);
    resync_pending = true;
    sync_resync(1.2);
    ASSERT_EQ(wait_for_deliveries(2, 1000).size(), 2u);
    EXPECT_EQ(delivered_scripts(), (std::vector<std::string>{"A", reset}));
    sleep_ms(300);
    EXPECT_EQ(test::deliveries().size(), 2u);
}

// Where a resynchronisation lands, with a pause at 2000 between lines at 500
// and 3500 (the line at 500 with waits past the pause).
TEST(PauseTargets, APauseIsNeverResumedNorTheLineBeforeIt) {
    test::use_recording_transport();
    test::load_timeline({{500, "first"}, {2000, pause}, {3500, "third"}});
    const struct {
        int32_t elapsed;
        int32_t line;
        int32_t resume_ms;
        int32_t shown_from = 0;
        int32_t shown_to = 0;
    } cases[] = {
        // Inside the line before the pause: resumed; the pause comes next.
        {1000, 1, 500},
        // Inside the pause: the next line, nothing resumed.
        {2500, 2, 0},
        {2000, 1, 0},
        {2050, 1, 0},
        {2100, 2, 0},
        // The ghost shows the line before the pause: the pause is due.
        {2500, 1, 0, 0, 1},
        {9000, 1, 0, 0, 1},
        // It shows nothing since the pause.
        {2500, 2, 0, 2, 2},
    };
    for (const auto& c : cases) {
        ResyncTarget target = resync_target(c.elapsed, true, c.shown_from, c.shown_to, no_catch_up);
        EXPECT_EQ(target.line, c.line) << c.elapsed << " " << c.shown_to;
        EXPECT_EQ(target.resume_ms, c.resume_ms) << c.elapsed << " " << c.shown_to;
    }
    sync_stop();
}

} // namespace
} // namespace lumivox
