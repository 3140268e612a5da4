// Without waitable timers and alertable waits, the event is a flag under a
// mutex and condition variable, and the timer is a deadline that only its
// waiting thread reads: wait_alertable sleeps on the condition variable until
// the event is signalled or the deadline passes, and then runs the routine
// itself, outside the event's mutex. So the routine runs on the waiting
// thread and never beside that thread's own handling of the event, and a
// cancelled deadline can no longer fire. The deadline is on CLOCK_MONOTONIC,
// the clock the tick count is read from.
#include "platform/wait.h"

#include <ctime>
#include <new>
#include <pthread.h>

namespace lumivox::platform {

struct Event {
    pthread_mutex_t mutex;
    pthread_cond_t wake;
    bool signalled;
};

struct Timer {
    bool armed;
    timespec deadline;
    TimerRoutine routine;
};

namespace {

timespec now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t;
}

bool reached(const timespec& deadline) {
    timespec t = now();
    return t.tv_sec > deadline.tv_sec ||
           (t.tv_sec == deadline.tv_sec && t.tv_nsec >= deadline.tv_nsec);
}

} // namespace

Event* event_create() {
    auto* event = new (std::nothrow) Event{};
    if (event == nullptr)
        return nullptr;
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    pthread_mutex_init(&event->mutex, nullptr);
    pthread_cond_init(&event->wake, &attributes);
    pthread_condattr_destroy(&attributes);
    return event;
}

void event_set(Event* event) {
    if (event == nullptr)
        return;
    pthread_mutex_lock(&event->mutex);
    event->signalled = true;
    pthread_cond_broadcast(&event->wake);
    pthread_mutex_unlock(&event->mutex);
}

void event_reset(Event* event) {
    if (event == nullptr)
        return;
    pthread_mutex_lock(&event->mutex);
    event->signalled = false;
    pthread_mutex_unlock(&event->mutex);
}

void event_close(Event* event) {
    if (event == nullptr)
        return;
    pthread_cond_destroy(&event->wake);
    pthread_mutex_destroy(&event->mutex);
    delete event;
}

Timer* timer_create() {
    return new (std::nothrow) Timer{};
}

void timer_set(Timer* timer, int64_t due_time, TimerRoutine routine) {
    if (timer == nullptr)
        return;
    timespec deadline = now();
    if (due_time < 0) {
        uint64_t ns = (0u - static_cast<uint64_t>(due_time)) * 100u;
        deadline.tv_sec += static_cast<time_t>(ns / 1000000000u);
        deadline.tv_nsec += static_cast<long>(ns % 1000000000u);
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_nsec -= 1000000000L;
            ++deadline.tv_sec;
        }
    }
    timer->deadline = deadline;
    timer->routine = routine;
    timer->armed = true;
}

void timer_cancel(Timer* timer) {
    if (timer != nullptr)
        timer->armed = false;
}

void timer_close(Timer* timer) {
    delete timer;
}

WaitResult wait_alertable(Event* event, Timer* timer) {
    if (event == nullptr)
        return WaitResult::failed;
    pthread_mutex_lock(&event->mutex);
    for (;;) {
        if (event->signalled) {
            event->signalled = false;
            pthread_mutex_unlock(&event->mutex);
            return WaitResult::signalled;
        }
        if (timer == nullptr || !timer->armed) {
            pthread_cond_wait(&event->wake, &event->mutex);
            continue;
        }
        if (reached(timer->deadline)) {
            timer->armed = false;
            pthread_mutex_unlock(&event->mutex);
            // The routine may take the caller's locks, which are taken
            // before the event's mutex elsewhere: run it outside.
            timer->routine();
            return WaitResult::routine_ran;
        }
        pthread_cond_timedwait(&event->wake, &event->mutex, &timer->deadline);
    }
}

} // namespace lumivox::platform
