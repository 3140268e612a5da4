// What the scheduler's worker sleeps on: an auto-reset event, a one-shot
// timer whose routine runs inside the arming thread's alertable wait, and
// that wait. On Windows these are an event, a waitable timer with a
// completion routine and WaitForSingleObjectEx; elsewhere a condition
// variable with a deadline gives the same effect.
#pragma once

#include <cstdint>

namespace lumivox::platform {

struct Event;
struct Timer;

// Auto-reset, created non-signalled; nullptr when it cannot be created.
// Every operation accepts nullptr and then does nothing.
Event* event_create();
void event_set(Event* event);
void event_reset(Event* event);
void event_close(Event* event);

using TimerRoutine = void (*)();

Timer* timer_create();
// Arms the timer once, replacing an earlier due time. due_time counts 100-ns
// units: negative is relative to now, zero or positive an absolute time long
// past (the routine is due at once). The routine runs on the calling thread,
// only inside its wait_alertable, and never while that thread does anything
// else. Only the thread that waits may arm or cancel the timer.
void timer_set(Timer* timer, int64_t due_time, TimerRoutine routine);
// Disarms the timer and discards an expiry whose routine has not run yet.
void timer_cancel(Timer* timer);
void timer_close(Timer* timer);

enum class WaitResult {
    signalled,   // the event was signalled (and is reset again)
    routine_ran, // the timer's routine ran inside the wait
    failed,
};

// Sleeps without time-out until the event is signalled or the routine of
// timer (armed by this thread) has run.
WaitResult wait_alertable(Event* event, Timer* timer);

} // namespace lumivox::platform
