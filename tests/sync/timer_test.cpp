// The line timer on Windows: high resolution where the system grants it, a
// plain waitable timer where the high-resolution call is refused. Either kind
// must fire once at its time and be cancelled alike, or the scheduler would
// stall or send a cancelled line on older systems.
#ifdef _WIN32

#include "platform/syscalls.h"
#include "platform/wait.h"
#include "tests/support/seams.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <windows.h>

namespace lumivox::platform {
namespace {

int routine_runs = 0;

void count_run() {
    ++routine_runs;
}

int64_t ms_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

constexpr int64_t units_per_ms = 10000; // due times count 100-ns units

// As Windows before 10 1803 answers the high-resolution flag.
void* refuse_high_resolution_timer() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

// The parameter: whether the high-resolution call is made to fail.
class LineTimer : public testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        routine_runs = 0;
        event = event_create();
        if (GetParam())
            replace_call(&SystemCalls::high_resolution_timer_create, &refuse_high_resolution_timer);
        timer = timer_create();
        restore_calls();
        ASSERT_NE(event, nullptr);
        ASSERT_NE(timer, nullptr) << "a timer is made whatever the system grants";
        // Wakes a wait that no routine ends: a timer that never fires fails
        // the test instead of hanging it.
        watchdog = std::thread([this] {
            std::unique_lock<std::mutex> hold(watchdog_mutex);
            if (!watchdog_wake.wait_for(hold, std::chrono::seconds(2), [this] { return done; }))
                event_set(event);
        });
    }
    void TearDown() override {
        if (watchdog.joinable()) {
            {
                std::lock_guard<std::mutex> hold(watchdog_mutex);
                done = true;
            }
            watchdog_wake.notify_one();
            watchdog.join();
        }
        timer_close(timer);
        event_close(event);
    }

    Event* event = nullptr;
    Timer* timer = nullptr;
    std::thread watchdog;
    std::mutex watchdog_mutex;
    std::condition_variable watchdog_wake;
    bool done = false;
};

TEST_P(LineTimer, FiresOnceAtTheLastDueTimeSet) {
    ASSERT_NE(timer, nullptr);
    if (GetParam()) {
        EXPECT_FALSE(timer_high_resolution(timer));
    }

    auto start = std::chrono::steady_clock::now();
    timer_set(timer, -10 * units_per_ms, &count_run);
    timer_set(timer, -40 * units_per_ms, &count_run); // replaces the first
    EXPECT_EQ(wait_alertable(event, timer), WaitResult::routine_ran);
    int64_t waited = ms_since(start);
    EXPECT_EQ(routine_runs, 1);
    // A few ms of slack below: the clocks' grains differ.
    EXPECT_GE(waited, 35);
    EXPECT_LT(waited, 2000);

    event_set(event);
    EXPECT_EQ(wait_alertable(event, timer), WaitResult::signalled);
    EXPECT_EQ(routine_runs, 1);
}

TEST_P(LineTimer, CancelDiscardsAnExpiryThatHasNotRun) {
    timer_set(timer, 0, &count_run); // long past: due at once
    Sleep(30);                       // the expiry waits for an alertable wait
    timer_cancel(timer);
    event_set(event);
    EXPECT_EQ(wait_alertable(event, timer), WaitResult::signalled);
    EXPECT_EQ(routine_runs, 0);
}

INSTANTIATE_TEST_SUITE_P(, LineTimer, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "HighResolutionRefused" : "HighResolutionAsked";
                         });

} // namespace
} // namespace lumivox::platform

#endif
