// Thousands of random calls of the host's thread while lines fire every few
// milliseconds. Run under ThreadSanitizer (and AddressSanitizer) as well: no
// race, no deadlock, no leak, and no line sent after its stop.
#include "platform/clock.h"
#include "platform/lock.h"
#include "sstp/request.h"
#include "sstp/transport.h"
#include "sync/scheduler.h"
#include "sync/start_tick.h"
#include "sync/sync_objects.h"
#include "tests/sync/fixture.h"
#include "timeline/timeline.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace lumivox {
namespace {

std::atomic<bool> run_stopped{true};
std::atomic<int> lines_sent{0};
std::atomic<int> lines_after_stop{0};
std::atomic<int> deliveries_made{0};

int checking_probe(const GhostKey*) {
    return 1;
}

// Called under sync_lock. Every 13th delivery fails, halting its run.
int checking_deliver(char* buffer, int32_t length) {
    std::string request(buffer, static_cast<size_t>(length));
    if (request.find("Line") != std::string::npos) {
        ++lines_sent;
        if (run_stopped.load())
            ++lines_after_stop;
    }
    return ++deliveries_made % 13 != 0;
}

void use_checking_transport() {
    platform::lock_enter(sync_lock);
    active_transport = {&checking_probe, &checking_deliver};
    platform::lock_leave(sync_lock);
}

void load_busy_timeline(std::mt19937& random) {
    std::vector<test::Line> lines;
    std::vector<std::string> texts;
    texts.reserve(80);
    for (int i = 0; i < 80; ++i) {
        texts.push_back(R"(\0\s[25]Line)" + std::to_string(i) + R"(\_w[2]x\_w[2]y\e)");
        bool shared = i > 0 && random() % 4 == 0;
        lines.push_back({i * 3, texts.back().c_str(), shared ? i - 1 : -1});
    }
    // A shared entry's owner must own its text.
    for (size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].owner >= 0 && lines[lines[i].owner].owner >= 0)
            lines[i].owner = lines[lines[i].owner].owner;
    }
    test::load_timeline(lines, R"(\0\s[25])");
}

TEST(SchedulerStress, RandomCallsWhileLinesFire) {
    std::mt19937 random(20240611u);
    current_trailer = trailer_utf8;
    use_checking_transport();
    lines_sent = 0;
    lines_after_stop = 0;
    for (int call = 0; call < 4000; ++call) {
        switch (random() % 10) {
        case 0:
        case 1:
            if (count == 0)
                load_busy_timeline(random);
            start_tick = platform::tick_count();
            resync_pending = true;
            run_stopped = false;
            sync_start(random() % 2 == 0);
            break;
        case 2:
            sync_stop();
            run_stopped = true;
            break;
        case 3:
            sync_hold();
            resync_pending = true;
            break;
        case 4:
        case 5:
            resync_pending = true;
            sync_resync(static_cast<double>(random() % 260) / 1000.0);
            break;
        case 6:
            // Direct cannot reach a ghost here: a run that meets it halts.
            select_transport(1);
            use_checking_transport();
            break;
        case 7:
            // TCP only while nothing plays: no request may reach a real port.
            if (count == 0) {
                select_transport(0);
                use_checking_transport();
            }
            break;
        case 8:
            // Seeks and resumes go on at once, without a report.
            sync_seek(static_cast<double>(random() % 260) / 1000.0, random() % 4 == 0);
            break;
        case 9:
            sync_hold();
            sync_resume();
            break;
        }
        if (random() % 2 == 0)
            test::sleep_ms(static_cast<int>(random() % 3));
    }
    sync_stop();
    run_stopped = true;
    int sent = lines_sent.load();
    test::sleep_ms(50);
    EXPECT_EQ(lines_sent.load(), sent);
    EXPECT_EQ(lines_after_stop.load(), 0);
    EXPECT_GT(sent, 100) << "lines should have been playing";
    select_transport(1);
    test::use_recording_transport();
}

} // namespace
} // namespace lumivox
