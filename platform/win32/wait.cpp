#include "platform/wait.h"

#include "platform/syscalls.h"

#include <new>
#include <windows.h>

namespace lumivox::platform {

struct Timer {
    HANDLE handle;
    // Windows fires a plain waitable timer on its scheduler tick (about
    // 15.6 ms); where the system offers it (Windows 10 1803 on), a
    // high-resolution timer is made instead, a plain one where that is
    // refused.
    bool high_resolution;
};

namespace {

HANDLE handle(Event* event) {
    return reinterpret_cast<HANDLE>(event);
}

// The completion argument carries the routine itself.
VOID CALLBACK run_routine(LPVOID routine, DWORD, DWORD) {
    reinterpret_cast<TimerRoutine>(routine)();
}

} // namespace

Event* event_create() {
    return reinterpret_cast<Event*>(CreateEventW(nullptr, FALSE, FALSE, nullptr));
}

void event_set(Event* event) {
    if (event != nullptr)
        SetEvent(handle(event));
}

void event_reset(Event* event) {
    if (event != nullptr)
        ResetEvent(handle(event));
}

void event_close(Event* event) {
    if (event != nullptr)
        CloseHandle(handle(event));
}

Timer* timer_create() {
    auto* timer = new (std::nothrow) Timer{nullptr, true};
    if (timer == nullptr)
        return nullptr;
    // Older Windows refuses a high-resolution timer (ERROR_INVALID_PARAMETER);
    // whatever the reason, a refusal leaves the plain timer to try.
    timer->handle = static_cast<HANDLE>(system_calls.high_resolution_timer_create());
    if (timer->handle == nullptr) {
        timer->high_resolution = false;
        timer->handle = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    }
    if (timer->handle == nullptr) {
        delete timer;
        return nullptr;
    }
    return timer;
}

bool timer_high_resolution(const Timer* timer) {
    return timer->high_resolution;
}

void timer_set(Timer* timer, int64_t due_time, TimerRoutine routine) {
    if (timer == nullptr)
        return;
    LARGE_INTEGER due;
    due.QuadPart = due_time;
    SetWaitableTimer(timer->handle, &due, 0, &run_routine, reinterpret_cast<LPVOID>(routine),
                     FALSE);
}

void timer_cancel(Timer* timer) {
    if (timer != nullptr)
        CancelWaitableTimer(timer->handle);
}

void timer_close(Timer* timer) {
    if (timer == nullptr)
        return;
    CloseHandle(timer->handle);
    delete timer;
}

// The completion routine of a timer armed by this thread runs inside the
// alertable wait, so the timer itself need not be named here.
WaitResult wait_alertable(Event* event, Timer*) {
    if (event == nullptr)
        return WaitResult::failed;
    switch (WaitForSingleObjectEx(handle(event), INFINITE, TRUE)) {
    case WAIT_OBJECT_0:
        return WaitResult::signalled;
    case WAIT_IO_COMPLETION:
        return WaitResult::routine_ran;
    default:
        return WaitResult::failed;
    }
}

} // namespace lumivox::platform
