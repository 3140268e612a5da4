#include "sync/scheduler.h"

#include "platform/clock.h"
#include "platform/lock.h"
#include "platform/thread.h"
#include "sstp/request.h"
#include "sync/resume.h"
#include "sync/start_tick.h"
#include "sync/sync_objects.h"
#include "timeline/timeline.h"

#include <cmath>
#include <cstdlib>

namespace lumivox {

std::atomic<int32_t> sync_state{sync_stopped};
std::atomic<bool> resync_pending{false};
int32_t line_pos = 0;
platform::Event* sync_event = nullptr;
platform::Timer* line_timer = nullptr;

namespace {

const char reset_script[] = "\\_q\\0\\s[0]\\e";

// The current run's worker. Kept rather than detached so that the next run
// and the unload can wait for its end: a worker that has not yet woken for
// its stop would otherwise lose that signal to the next run's event reset,
// and one still running at unload would outlive the lock, event and timer.
// Only the host's thread touches it.
platform::Thread* worker = nullptr;

// Resynchronisations asked for since sync_start, under sync_lock once a
// worker exists. The new worker's initial hold does not undo one that came
// first, and the worker resynchronises once per request: a hold and a resync
// that land before it wakes signal the event twice, and the second wake must
// not resend the interrupted line again.
uint32_t resync_requests = 0;

// The first line sent since the last reset script: lines shown_from to
// line_pos - 1 are what the ghost shows of this run. Under sync_lock.
int32_t shown_from = 0;

void arm_line(int64_t due_time) {
    platform::timer_set(line_timer, due_time, &on_line_due);
}

void join_worker() {
    platform::thread_join(worker);
    worker = nullptr;
}

// Milliseconds of a reported position: truncated toward zero, only the low
// 32 bits used. A position no 64-bit count can hold reads as 0.
uint32_t position_ms(double position_seconds) {
    double ms = std::trunc(position_seconds * 1000.0);
    if (!(ms > -9.2e18 && ms < 9.2e18))
        return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(ms)));
}

// Under sync_lock, on the worker, in state 1.
void resynchronise(bool resend_allowed) {
    int32_t shown_to = line_pos;
    int32_t shown_from_before = shown_from;
    line_pos = 0;
    shown_from = 0;
    if (count <= 0 || entries == nullptr)
        return;
    ResyncTarget target = resync_target(elapsed_since(platform::tick_count(), start_tick),
                                        resend_allowed, shown_from_before, shown_to);
    line_pos = target.line;
    shown_from = target.line;
    if (target.resume_ms > 0)
        resume_line(target.resume_ms, entries[target.line - 1].text);
    // A fresh tick: the resumed line's delivery must not delay the next one.
    if (target.line < count)
        arm_line(line_due_time(elapsed_since(platform::tick_count(), start_tick),
                               entries[target.line].time));
}

void sync_worker(void* parameter) {
    bool wait_for_sync = parameter != nullptr;
    bool resend_allowed = true;
    uint32_t handled_requests = 0;

    // The initial decision is made under the lock, and only while the run is
    // as sync_start left it: a hold, stop or resynchronisation that came
    // first is not overwritten, and a stop's freed Timeline is not read.
    platform::lock_enter(sync_lock);
    line_pos = 0;
    shown_from = 0;
    if (count > 0 && entries != nullptr) {
        bool arm_first = !wait_for_sync && entries[0].time < 1000;
        resend_allowed = !arm_first;
        if (sync_state.load() == sync_running && resync_requests == 0) {
            if (arm_first)
                arm_line(-static_cast<int64_t>(entries[0].time) * 10000);
            else
                sync_state = sync_held;
        }
    }
    platform::lock_leave(sync_lock);

    for (;;) {
        platform::WaitResult woken = platform::wait_alertable(sync_event, line_timer);
        if (woken == platform::WaitResult::routine_ran)
            continue;
        if (woken == platform::WaitResult::failed || sync_state.load() == sync_stopped) {
            platform::timer_cancel(line_timer);
            return;
        }
        // A wake may be left over from a request already handled (a hold's
        // signal and a resynchronisation's, taken in one pass): only a hold
        // or fresh work may cancel the line armed since.
        platform::lock_enter(sync_lock);
        bool fresh = handled_requests != resync_requests;
        if (sync_state.load() != sync_running || fresh)
            platform::timer_cancel(line_timer);
        if (sync_state.load() == sync_running && fresh) {
            handled_requests = resync_requests;
            resynchronise(resend_allowed);
            resend_allowed = true;
        }
        platform::lock_leave(sync_lock);
    }
}

} // namespace

int32_t elapsed_since(uint32_t tick, uint32_t start) {
    return static_cast<int32_t>(tick - start);
}

int64_t line_due_time(int32_t elapsed, int32_t line_time) {
    auto behind =
        static_cast<int32_t>(static_cast<uint32_t>(elapsed) - static_cast<uint32_t>(line_time));
    return static_cast<int64_t>(behind) * 10000;
}

ResyncTarget resync_target(int32_t elapsed, bool resend_allowed, int32_t shown_from,
                           int32_t shown_to) {
    // The worker acts a moment after the position report, so a line due at
    // the reported position already reads as begun; resumed, a line without
    // waits would be lost whole. A line that began less than
    // just_begun_window ms ago is therefore sent whole, at once, unless the
    // run sent it already (at the first report of a run that played from its
    // start).
    int32_t i = 0;
    while (i < count && (static_cast<int64_t>(elapsed) - entries[i].time >= just_begun_window ||
                         (entries[i].time <= elapsed && i >= shown_from && i < shown_to)))
        ++i;
    if (i == count || entries[i].time <= elapsed || i == 0 || !resend_allowed)
        return {i, 0};
    return {i, elapsed_since(static_cast<uint32_t>(elapsed),
                             static_cast<uint32_t>(entries[i - 1].time))};
}

void on_line_due() {
    platform::lock_enter(sync_lock);
    if (entries != nullptr && line_pos < count &&
        send_sstp_request(entries[line_pos].text, current_trailer)) {
        ++line_pos;
        if (line_pos < count)
            arm_line(line_due_time(elapsed_since(platform::tick_count(), start_tick),
                                   entries[line_pos].time));
    }
    platform::lock_leave(sync_lock);
}

void sync_start(bool wait_for_sync) {
    if (count == 0)
        return;
    // A run that was never stopped: two workers must never run at once.
    sync_end_worker();
    resync_requests = 0;
    sync_state = sync_running;
    platform::event_reset(sync_event);
    // Without its event and timer a worker could neither sleep nor be
    // stopped; the run then stays as if its creation had failed.
    if (sync_event == nullptr || line_timer == nullptr)
        return;
    worker = platform::thread_create(
        &sync_worker, reinterpret_cast<void*>(static_cast<uintptr_t>(wait_for_sync)));
}

void sync_stop() {
    if (count == 0)
        return;
    int32_t was = sync_state.load();
    platform::lock_enter(sync_lock);
    sync_state = sync_stopped;
    platform::event_set(sync_event);
    if (was != sync_stopped)
        send_sstp_request(reset_script, trailer_utf8);
    free_timeline();
    platform::lock_leave(sync_lock);
    join_worker();
}

void sync_hold() {
    if (sync_state.load() != sync_running)
        return;
    platform::lock_enter(sync_lock);
    sync_state = sync_held;
    platform::event_set(sync_event);
    send_sstp_request(reset_script, trailer_utf8);
    shown_from = line_pos;
    platform::lock_leave(sync_lock);
}

void sync_resync(double position_seconds) {
    if (!resync_pending.load())
        return;
    int32_t state = sync_state.load();
    resync_pending = false;
    if (state == sync_stopped)
        return;
    platform::lock_enter(sync_lock);
    uint32_t tick = platform::tick_count();
    sync_state = sync_running;
    start_tick = tick - position_ms(position_seconds);
    ++resync_requests;
    platform::event_set(sync_event);
    platform::lock_leave(sync_lock);
}

void sync_end_worker() {
    if (worker == nullptr)
        return;
    platform::lock_enter(sync_lock);
    sync_state = sync_stopped;
    platform::event_set(sync_event);
    platform::lock_leave(sync_lock);
    join_worker();
}

} // namespace lumivox
