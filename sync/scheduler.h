// Plays the loaded Timeline in real time: one worker thread per run sleeps
// until the line timer or the event wakes it, sends each line at
// start_tick + its time, and resynchronises after seeks and pauses.
#pragma once

#include "platform/wait.h"

#include <atomic>
#include <cstdint>

namespace lumivox {

// SyncState: there is no state 2.
constexpr int32_t sync_stopped = 0;
constexpr int32_t sync_running = 1;
constexpr int32_t sync_held = 3;

// Read and written by the host's thread and the worker.
extern std::atomic<int32_t> sync_state;

// The next playback-position report resynchronises. Set by the playback
// handlers; consumed by sync_resync.
extern std::atomic<bool> resync_pending;

// How far a position report may stand from where the run's clock is before
// it corrects a run that a seek or a resume has already resynchronised.
constexpr int32_t resync_tolerance = 30;

// Index of the next line to send; count when nothing is left. Under sync_lock.
extern int32_t line_pos;

// Created at load by sync_objects_create, before anything can use them.
extern platform::Event* sync_event;
extern platform::Timer* line_timer;

// Begins a run for the Timeline just loaded (nothing when count is 0). With
// wait_for_sync the run holds until the first resynchronisation; otherwise a
// first line due within the first second is armed at once.
void sync_start(bool wait_for_sync);
// Begins a run for the Timeline just loaded in the middle of its track, as
// after a seek to position_seconds there: playing, it goes on at once from
// that position (a line in progress resumes mid-line, earlier lines are not
// sent); paused, it holds at the position until the resume. Nothing when
// count is 0.
void sync_start_at(double position_seconds, bool paused);
// Ends the run, frees the Timeline and template_prefix, and sends the reset
// script when a run was active. Returns once the run's worker has ended.
void sync_stop();
// Suspends a running run until the next resynchronisation; sends the reset
// script.
void sync_hold();
// Resynchronises to the reported position when resync_pending is set. After
// sync_seek or sync_resume the report only corrects the run, and only when
// it differs from the run's clock by more than resync_tolerance.
void sync_resync(double position_seconds);
// A seek to the position the host gives: holds the run, then, unless
// playback is paused, resynchronises at once from that position. While
// paused, the position is where the resume will continue.
void sync_seek(double position_seconds, bool paused);
// Playback resumes: a run held by a pause or a seek continues at once from
// the position it was held at; one held with no known position waits for
// the next report.
void sync_resume();

// Ends the current worker, if any, and waits for it; the Timeline is left
// alone. For the unload, where no worker may outlive the lock, event and
// timer.
void sync_end_worker();

// The line timer's routine, run on the worker: sends line line_pos and arms
// the next one. At a pause it sends the reset script when the ghost shows a
// line since the last one, and nothing otherwise; a reset that fails halts
// the run as a failed line does.
void on_line_due();

// The arithmetic of the schedule, all modulo 2^32.

// Milliseconds from start to tick, read as a signed number.
int32_t elapsed_since(uint32_t tick, uint32_t start);

// Due time (100-ns units) for a line at line_time when elapsed ms have
// passed: negative while the line lies ahead, zero or positive when it is
// due.
int64_t line_due_time(int32_t elapsed, int32_t line_time);

// A line that began less than this many ms before a resynchronisation's
// elapsed time is sent whole rather than resumed, unless the ghost shows it
// already.
constexpr int32_t just_begun_window = 100;

// Where a resynchronisation at elapsed ms lands: the first line that is
// still to come or began less than just_begun_window ms ago (count when
// none), and how far into the previous line the position lies when that
// line is to be resumed (0: nothing to resume). Lines shown_from to
// shown_to - 1 were sent since the last reset script: they are neither sent
// nor resumed again. A correction of a running run passes over lines the
// run had not reached: those after caught_up (where its clock stood) are
// due, however long ago they began; no_catch_up for any other
// resynchronisation. A pause is never resumed, nor the line before it once
// the position has passed the pause; while the ghost shows lines, a pause
// they have reached is due however long ago it began, so that it takes them
// away.
struct ResyncTarget {
    int32_t line;
    int32_t resume_ms;
};
constexpr int32_t no_catch_up = INT32_MAX;
ResyncTarget resync_target(int32_t elapsed, bool resend_allowed, int32_t shown_from,
                           int32_t shown_to, int32_t caught_up);

} // namespace lumivox
