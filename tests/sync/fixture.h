// Helpers of the scheduler tests: Timelines built the way the loader leaves
// them, and waiting for deliveries.
#pragma once

#include "tests/support/recording_transport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lumivox::test {

// One entry. With owner >= 0 the entry shares the text of entry `owner`
// (another tag of the same lyric line) and text is ignored; without, a text
// of nullptr makes the entry a pause.
struct Line {
    int32_t time;
    const char* text;
    int owner = -1;
};

// Fills entries/count (malloc'd, as the loader does) and template_prefix
// (a malloc'd copy of prefix, or none).
void load_timeline(const std::vector<Line>& lines, const char* prefix = nullptr);

// Waits until at least n deliveries were recorded or timeout_ms passed;
// returns what was recorded.
std::vector<Delivery> wait_for_deliveries(size_t n, int timeout_ms);

void sleep_ms(int ms);

// The scripts of the recorded deliveries, in order.
std::vector<std::string> delivered_scripts();

// Line position and state as the worker sees them (read under sync_lock).
int32_t current_line_pos();

// Waits until the state reads `state` or timeout_ms passed; true if it did.
bool wait_for_state(int32_t state, int timeout_ms);

// How late a delivery came against start_tick + the line's time.
int32_t lateness(const Delivery& d, int32_t time);

// Generous: these machines are shared; timing quality is the benchmark's.
constexpr int32_t late_limit = 500;

// A run against the recording transport, stopped and every replaced system
// call restored after each test.
class RunTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // As the playback handlers begin a track: the lookup sets start_tick,
    // then the Timeline is loaded (behind the prefix "\0\s[25]") and the
    // run started.
    static void begin(const std::vector<Line>& lines, bool wait_for_sync);

    // Waits for the deliveries after the first `skip`, and settle_ms longer
    // for anything more; checks that exactly these came, each on time.
    static void expect_on_time(size_t skip, const std::vector<std::pair<int32_t, std::string>>& due,
                               int settle_ms = 0);
};

} // namespace lumivox::test
