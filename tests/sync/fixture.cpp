#include "tests/sync/fixture.h"

#include "base/text.h"
#include "platform/clock.h"
#include "platform/lock.h"
#include "platform/syscalls.h"
#include "sstp/request.h"
#include "sync/scheduler.h"
#include "sync/start_tick.h"
#include "sync/sync_objects.h"
#include "timeline/timeline.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace lumivox::test {

void load_timeline(const std::vector<Line>& lines, const char* prefix) {
    count = static_cast<int32_t>(lines.size());
    entries = static_cast<TimedLine*>(std::malloc(sizeof(TimedLine) * lines.size()));
    for (size_t i = 0; i < lines.size(); ++i) {
        entries[i].time = lines[i].time;
        entries[i].shared = lines[i].owner >= 0;
        entries[i].text =
            entries[i].shared || lines[i].text == nullptr ? nullptr : dup_string(lines[i].text);
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (entries[i].shared)
            entries[i].text = entries[lines[i].owner].text;
    }
    template_prefix = prefix == nullptr ? nullptr : dup_string(prefix);
}

std::vector<Delivery> wait_for_deliveries(size_t n, int timeout_ms) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        std::vector<Delivery> recorded = deliveries();
        if (recorded.size() >= n || std::chrono::steady_clock::now() >= until)
            return recorded;
        sleep_ms(2);
    }
}

void sleep_ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::vector<std::string> delivered_scripts() {
    std::vector<std::string> scripts;
    for (const Delivery& d : deliveries())
        scripts.push_back(script_of(d.bytes));
    return scripts;
}

int32_t current_line_pos() {
    platform::lock_enter(sync_lock);
    int32_t pos = line_pos;
    platform::lock_leave(sync_lock);
    return pos;
}

bool wait_for_state(int32_t state, int timeout_ms) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (sync_state.load() != state) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        sleep_ms(1);
    }
    return true;
}

int32_t lateness(const Delivery& d, int32_t time) {
    return elapsed_since(d.tick, start_tick) - time;
}

void RunTest::SetUp() {
    use_recording_transport();
    current_trailer = trailer_plain;
    resync_pending = false;
}

void RunTest::TearDown() {
    sync_stop();
    platform::restore_calls();
}

void RunTest::begin(const std::vector<Line>& lines, bool wait_for_sync) {
    start_tick = platform::tick_count();
    load_timeline(lines, R"(\0\s[25])");
    sync_start(wait_for_sync);
}

void RunTest::expect_on_time(size_t skip, const std::vector<std::pair<int32_t, std::string>>& due,
                             int settle_ms) {
    std::vector<Delivery> sent = wait_for_deliveries(skip + due.size(), 4000);
    if (settle_ms > 0) {
        sleep_ms(settle_ms);
        sent = deliveries();
    }
    ASSERT_EQ(sent.size(), skip + due.size()) << testing::PrintToString(delivered_scripts());
    for (size_t i = 0; i < due.size(); ++i) {
        const Delivery& d = sent[skip + i];
        EXPECT_EQ(script_of(d.bytes), due[i].second) << i;
        EXPECT_GE(lateness(d, due[i].first), -1) << due[i].second;
        EXPECT_LE(lateness(d, due[i].first), late_limit) << due[i].second;
    }
}

} // namespace lumivox::test
