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
// line_pos - 1 are what the ghost shows of this run (a resumed line among
// them). Under sync_lock.
int32_t shown_from = 0;

// Whether the next resynchronisation may resume the interrupted line: not
// the first one of a run that played from its start, unless a reset script
// has cleared the ghost since. Under sync_lock.
bool resend_allowed = true;

// Where the run's clock stood when a report corrected it, for the worker's
// next resynchronisation; no_catch_up otherwise. Under sync_lock.
int32_t caught_up = no_catch_up;

// The track position a pause or a seek held the run at, for the resume.
// Only the host's thread touches these.
int32_t held_ms = 0;
bool held_known = false;

// The pending report only corrects: a seek or a resume already
// resynchronised the run. Only the host's thread touches it.
bool correction_only = false;

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
    // Rounded to a double before the cut, as on x64: x87's wider product of
    // 1.95 and 1000 lies just below 1950 and would cut to 1949.
    volatile double product = position_seconds * 1000.0;
    double ms = std::trunc(product);
    if (!(ms > -9.2e18 && ms < 9.2e18))
        return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(ms)));
}

// Under sync_lock, on the worker, in state 1.
void resynchronise() {
    int32_t shown_to = line_pos;
    int32_t shown_from_before = shown_from;
    int32_t caught_up_at = caught_up;
    bool resend = resend_allowed;
    caught_up = no_catch_up;
    resend_allowed = true;
    line_pos = 0;
    shown_from = 0;
    if (count <= 0 || entries == nullptr)
        return;
    int32_t elapsed = elapsed_since(platform::tick_count(), start_tick);
    ResyncTarget target = resync_target(elapsed, resend, shown_from_before, shown_to, caught_up_at);
    // What the ghost shows from here on: the lines shown before, when the run
    // goes on right after them, and the line resumed now.
    line_pos = target.line;
    shown_from = target.line == shown_to ? shown_from_before : target.line;
    if (target.resume_ms > 0) {
        resume_line(target.resume_ms, entries[target.line - 1].text);
        shown_from = target.line - 1;
    }
    // A fresh tick: the resumed line's delivery must not delay the next one.
    if (target.line < count)
        arm_line(line_due_time(elapsed_since(platform::tick_count(), start_tick),
                               entries[target.line].time));
}

void sync_worker(void* parameter) {
    bool wait_for_sync = parameter != nullptr;
    uint32_t handled_requests = 0;

    // The initial decision is made under the lock, and only while the run is
    // as sync_start left it: a hold, stop or resynchronisation that came
    // first is not overwritten, and a stop's freed Timeline is not read.
    platform::lock_enter(sync_lock);
    line_pos = 0;
    shown_from = 0;
    if (count > 0 && entries != nullptr) {
        bool arm_first = !wait_for_sync && entries[0].time < 1000;
        if (sync_state.load() == sync_running && resync_requests == 0) {
            resend_allowed = !arm_first;
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
            resynchronise();
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
                           int32_t shown_to, int32_t caught_up) {
    // The worker acts a moment after the position report, so a line due at
    // the reported position already reads as begun; resumed, a line without
    // waits would be lost whole. A line that began less than
    // just_begun_window ms ago is therefore sent whole, at once, unless the
    // ghost shows it already. The run sends its lines in order, so nothing
    // before a line it shows is due again until a reset script.
    // A pause that ends what the ghost shows is not passed over: it is due,
    // and takes the lines away. Nothing is resumed from a pause, nor past
    // one: the line before it has ended.
    bool shows = shown_from < shown_to;
    int32_t i = shows ? shown_to : 0;
    while (i < count && static_cast<int64_t>(elapsed) - entries[i].time >= just_begun_window &&
           entries[i].time <= caught_up && !(shows && is_pause(entries[i])))
        ++i;
    if (i == count || entries[i].time <= elapsed || i == 0 || !resend_allowed ||
        (shows && i == shown_to) || is_pause(entries[i - 1]))
        return {i, 0};
    return {i, elapsed_since(static_cast<uint32_t>(elapsed),
                             static_cast<uint32_t>(entries[i - 1].time))};
}

namespace {

// Under sync_lock: at a pause the ghost stops singing, by the reset script a
// hold sends, when it shows a line; otherwise nothing is sent. Either way it
// shows nothing after. False when the reset could not be delivered.
bool end_shown_lines() {
    if (shown_from < line_pos && !send_sstp_request(reset_script, trailer_utf8))
        return false;
    shown_from = line_pos + 1;
    resend_allowed = true;
    return true;
}

} // namespace

void on_line_due() {
    platform::lock_enter(sync_lock);
    if (entries != nullptr && line_pos < count) {
        const TimedLine& line = entries[line_pos];
        bool done =
            is_pause(line) ? end_shown_lines() : send_sstp_request(line.text, current_trailer);
        if (done) {
            ++line_pos;
            if (line_pos < count)
                arm_line(line_due_time(elapsed_since(platform::tick_count(), start_tick),
                                       entries[line_pos].time));
        }
    }
    platform::lock_leave(sync_lock);
}

void sync_start(bool wait_for_sync) {
    if (count == 0)
        return;
    // A run that was never stopped: two workers must never run at once.
    sync_end_worker();
    resync_requests = 0;
    resend_allowed = true;
    caught_up = no_catch_up;
    held_known = false;
    correction_only = false;
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
    uint32_t tick = platform::tick_count();
    platform::lock_enter(sync_lock);
    held_ms = elapsed_since(tick, start_tick);
    held_known = true;
    sync_state = sync_held;
    platform::event_set(sync_event);
    send_sstp_request(reset_script, trailer_utf8);
    shown_from = line_pos;
    resend_allowed = true;
    platform::lock_leave(sync_lock);
}

namespace {

// Under sync_lock: the run goes on from position ms at tick, on the worker.
void resync_to(uint32_t tick, uint32_t ms) {
    sync_state = sync_running;
    start_tick = tick - ms;
    ++resync_requests;
    platform::event_set(sync_event);
}

// The run goes on at once from position ms, which playback had at tick; the
// next report only corrects.
void resync_now(uint32_t tick, uint32_t ms) {
    platform::lock_enter(sync_lock);
    caught_up = no_catch_up;
    resync_to(tick, ms);
    platform::lock_leave(sync_lock);
    resync_pending = true;
    correction_only = true;
}

} // namespace

void sync_resync(double position_seconds) {
    if (!resync_pending.load())
        return;
    int32_t state = sync_state.load();
    bool correcting = correction_only;
    resync_pending = false;
    correction_only = false;
    if (state == sync_stopped)
        return;
    // Held again since the seek or resume: the next one resynchronises.
    if (correcting && state != sync_running)
        return;
    // The position is the player's at the call, not once the lock is free.
    uint32_t tick = platform::tick_count();
    platform::lock_enter(sync_lock);
    uint32_t ms = position_ms(position_seconds);
    int32_t clock_ms = elapsed_since(tick, start_tick);
    int32_t off = elapsed_since(static_cast<uint32_t>(clock_ms), ms);
    if (correcting && off >= -resync_tolerance && off <= resync_tolerance) {
        platform::lock_leave(sync_lock);
        return;
    }
    caught_up = correcting ? clock_ms : no_catch_up;
    resync_to(tick, ms);
    platform::lock_leave(sync_lock);
}

void sync_seek(double position_seconds, bool paused) {
    // Playback stands at the position now, however long the reset takes.
    uint32_t tick = platform::tick_count();
    sync_hold();
    if (sync_state.load() == sync_stopped) {
        resync_pending = true;
        correction_only = false;
        return;
    }
    uint32_t ms = position_ms(position_seconds);
    held_ms = static_cast<int32_t>(ms);
    held_known = true;
    if (paused) {
        resync_pending = true;
        correction_only = false;
        return;
    }
    resync_now(tick, ms);
}

void sync_start_at(double position_seconds, bool paused) {
    if (count == 0)
        return;
    uint32_t tick = platform::tick_count();
    sync_start(true);
    uint32_t ms = position_ms(position_seconds);
    held_ms = static_cast<int32_t>(ms);
    held_known = true;
    if (!paused) {
        resync_now(tick, ms);
        return;
    }
    // Held at the position from the start, so that the resume finds it.
    platform::lock_enter(sync_lock);
    if (resync_requests == 0)
        sync_state = sync_held;
    platform::lock_leave(sync_lock);
    resync_pending = true;
    correction_only = false;
}

void sync_resume() {
    if (sync_state.load() == sync_held && held_known) {
        resync_now(platform::tick_count(), static_cast<uint32_t>(held_ms));
        return;
    }
    resync_pending = true;
    correction_only = false;
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
