#include "tools/mpris/follower.h"

#include "tools/host/session.h"
#include "tools/host/trace.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace lumivox::mpris {

namespace {

using namespace std::chrono_literals;

// How long a new track's report waits for its real tags when the player
// first names it by its file name alone.
constexpr auto settle_time = 150ms;
// How often the run's clock is checked against the player's position (and
// the position reported).
constexpr auto check_interval = 1s;
// Readings are taken this often while the position is watched.
constexpr auto sample_interval = 5ms;
// A reading whose call took longer than this tells its moment too loosely.
constexpr auto longest_call = 8ms;
// How long the position is watched for moving after a new track, a seek or
// a resume before the run goes on without that.
constexpr auto settle_limit = 1s;
// A check that sees no step within this: the position stands still, or
// moves in steps too coarse to see.
constexpr auto check_limit = 250ms;
// A player that says Stopped while its position moves is looked at this
// often once it has not moved for a while.
constexpr auto stopped_look_interval = 1s;
// A run's clock this far from the position is resynchronised.
constexpr int64_t drift_limit_us = 40000;
// How far a report after a seek or a resume must stand from the run's clock
// for the component to correct it.
constexpr int64_t correction_us = 30000;
// A new track's first reading below this is told in the trace: the previous
// track still plays its end.
constexpr int64_t tail_us = -20000;
// The track change is told this long before the new position reaches 0,
// for the component's look-up of the lyrics.
constexpr int64_t change_lead_us = 5000;

// The player's reasons for a stop, as the component is told them.
constexpr int stop_by_user = 0;
constexpr int stop_for_another = 2;

const std::string players_prefix = "org.mpris.MediaPlayer2.";

enum class Watch {
    none,
    settle, // for the position to move after a new track, a seek or a resume
    tail,   // the next track's position below 0, the previous one still sung
    check,  // the run's clock against the position
};

FollowOptions options;
std::string followed; // empty: none
Status status = Status::stopped;
PlayerTrack current;   // the track the player names now
bool reported = false; // the component sings a track of this player
bool pending = false;  // current is still to be reported
Clock::time_point tags_by;
bool told_paused = false; // the component was told pause last
bool left = false;

Watch watch = Watch::none;
Clock::time_point watch_began;
std::vector<Reading> readings;
std::optional<size_t> moving_from; // readings from here on moved with the clock
std::optional<Clock::time_point> next_reading;
std::optional<Clock::time_point> next_check;
bool slow = false; // a player that says Stopped, looked at now and then

// The run's clock as the component was told: the track's position at time t
// is this plus t (microseconds). None before the first position it was told.
std::optional<int64_t> run_offset;
// Where the component holds the run while told pause.
std::optional<int64_t> held_us;
// The component takes the next position report as a correction (after a
// seek or a resume).
bool correction_next = false;
// This track's position was watched in vain: seeks and resumes go on at once.
bool position_stands = false;

void say(const std::string& line) {
    std::printf("lumivox-mpris: %s\n", line.c_str());
    std::fflush(stdout);
}

void trace(const std::string& line) {
    tools::trace("mpris: " + line);
}

double seconds(int64_t us) {
    return static_cast<double>(us) / 1e6;
}

int64_t us_since_epoch(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
}

bool wanted(const std::string& name) {
    if (options.player.empty())
        return true;
    if (options.player.compare(0, players_prefix.size(), players_prefix) == 0)
        return name == options.player;
    std::string own = players_prefix + options.player;
    return name == own || name.compare(0, own.size() + 1, own + ".") == 0;
}

// One reading of the followed player's position, kept when the call was
// quick enough to date it.
void take_reading() {
    Clock::time_point before = clock_now();
    int64_t us = 0;
    if (!read_position(followed, us)) {
        trace("no position from " + followed);
        return;
    }
    Clock::time_point after = clock_now();
    if (after - before <= longest_call)
        readings.push_back({before + (after - before) / 2, us});
}

void begin_watch(Watch what) {
    watch = what;
    watch_began = clock_now();
    readings.clear();
    moving_from.reset();
    slow = false;
    next_check.reset();
    take_reading();
    next_reading = clock_now() + sample_interval;
}

void end_watch() {
    watch = Watch::none;
    readings.clear();
    moving_from.reset();
    next_reading.reset();
    slow = false;
}

// The readings' offset once they moved; otherwise the last one, taken as
// where the track stands now.
int64_t watched_offset() {
    if (moving_from)
        return position_offset(readings, *moving_from);
    int64_t last = readings.empty() ? 0 : readings.back().position_us;
    return last - us_since_epoch(clock_now());
}

void schedule_check() {
    next_check = clock_now() + check_interval;
}

void report_time(int64_t offset) {
    tools::report_time(seconds(position_at(offset, clock_now())));
}

// The component stops singing what it was told of.
void drop_track(int reason) {
    if (reported)
        tools::report_stop(reason);
    reported = false;
    told_paused = false;
    run_offset.reset();
    held_us.reset();
    correction_next = false;
    next_check.reset();
}

// Tells the component of current; while playing, with where the track stands
// (offset), which the component resynchronises from.
void report_track(std::optional<int64_t> offset) {
    pending = false;
    std::optional<std::string> path = local_path(current.url);
    if (!path)
        return;
    reported = true;
    told_paused = status != Status::playing;
    trace("track " + current.id + " \"" + current.title + "\" by \"" + current.artist + "\"");
    tools::report_new_track(track_info(current, *path), told_paused);
    if (told_paused || !offset)
        return;
    report_time(*offset);
    run_offset = offset;
    schedule_check();
}

// The run held for a seek or a pause goes on from where the track stands.
// When the player moved on well past where the run is held while it was
// watched, the run resumes there and a correction brings it forward: the
// lines passed over are sent at once rather than lost.
void resume_run(int64_t offset) {
    int64_t now_us = position_at(offset, clock_now());
    bool catch_up = held_us && now_us - *held_us > correction_us;
    tools::report_seek(seconds(catch_up ? *held_us : now_us));
    tools::report_pause(false);
    told_paused = false;
    held_us.reset();
    run_offset = offset;
    correction_next = !catch_up;
    if (catch_up)
        report_time(offset);
    schedule_check();
}

// Resumes at once, from where the component holds the run.
void resume_at_once() {
    tools::report_pause(false);
    told_paused = false;
    if (held_us)
        run_offset = *held_us - us_since_epoch(clock_now());
    held_us.reset();
    correction_next = true;
    schedule_check();
}

void hold_run() {
    if (told_paused)
        return;
    tools::report_pause(true);
    told_paused = true;
    if (run_offset)
        held_us = position_at(*run_offset, clock_now());
}

void note_moving() {
    if (!moving_from)
        moving_from = moving_since(readings, sample_interval);
}

// After a new track, a seek or a resume: once the position moves with the
// clock (or it was watched long enough in vain), the run goes on from there.
void finish_settle() {
    note_moving();
    Clock::time_point now = clock_now();
    bool in_vain = now - watch_began >= settle_limit;
    if (status == Status::stopped) {
        // Stopped, as mpv's plugin says after files are loaded into an idle
        // mpv: taken as playing once the position moves.
        if (!moving_from) {
            if (in_vain && !slow) {
                slow = true;
                next_reading = now + stopped_look_interval;
            }
            return;
        }
        trace(followed + " says Stopped but plays: taken as Playing");
        status = Status::playing;
    }
    if (!moving_from && !in_vain)
        return;
    if (pending && !tags_arrived(current) && now < tags_by)
        return;
    // A track named before it begins (the previous one ends meanwhile) is
    // told when it begins.
    if (pending && moving_from && position_at(watched_offset(), now) < -change_lead_us)
        return;
    if (!moving_from) {
        trace("the position did not move: going on without it");
        position_stands = true;
    }
    int64_t offset = watched_offset();
    end_watch();
    if (pending)
        report_track(offset);
    else if (told_paused)
        resume_run(offset);
}

// The next track named while the previous one plays its end: that one is
// sung to its end, and the change told once the new position reaches 0.
void finish_tail() {
    note_moving();
    bool over = moving_from ? position_at(watched_offset(), clock_now()) >= -change_lead_us
                            : clock_now() - watch_began >= settle_limit;
    if (!over)
        return;
    bool moved = moving_from.has_value();
    int64_t offset = watched_offset();
    drop_track(stop_for_another);
    if (moved && (tags_arrived(current) || clock_now() >= tags_by)) {
        end_watch();
        report_track(offset);
    } else {
        begin_watch(Watch::settle);
    }
}

// Compares the run's clock with the position: a run more than
// drift_limit_us off is resynchronised, by a correction where the component
// takes one, else by a seek. Otherwise it is the position report.
void finish_check() {
    note_moving();
    if (!moving_from && clock_now() - watch_began < check_limit)
        return;
    if (!moving_from) {
        // Not seen moving: a busy machine kept the looks too far apart, the
        // player stalls, or its position moves in steps too coarse to see.
        // Only a position that never moved is reported as it reads.
        if (position_stands && !readings.empty()) {
            int64_t offset = watched_offset();
            report_time(offset);
            if (correction_next)
                run_offset = offset;
            correction_next = false;
        }
        end_watch();
        schedule_check();
        return;
    }
    int64_t offset = watched_offset();
    end_watch();
    schedule_check();
    int64_t drift = run_offset ? offset - *run_offset : INT64_MAX;
    if (std::llabs(drift) > drift_limit_us && !correction_next) {
        trace(run_offset ? "the run is " + std::to_string(drift / 1000) +
                               " ms off the position: resynchronised"
                         : "resynchronised");
        tools::report_seek(seconds(position_at(offset, clock_now())));
        run_offset = offset;
        correction_next = true;
        return;
    }
    report_time(offset);
    if (correction_next && std::llabs(drift) > correction_us)
        run_offset = offset;
    correction_next = false;
}

// Metadata from the followed player. A second update of the same track only
// completes its tags; a track is reported once they arrived (or had time to)
// and, while playing, once its position moves.
void take_track(const PlayerTrack& track) {
    if (names_a_track(current) && same_track(track, current)) {
        if (pending) {
            current = track;
            if (status == Status::paused && tags_arrived(current))
                report_track(std::nullopt);
        }
        return;
    }
    bool sung_to_its_end = reported && status == Status::playing && !told_paused &&
                           watch != Watch::tail && watch != Watch::settle;
    current = track;
    pending = false;
    position_stands = false;
    if (!names_a_track(track) || !local_path(track.url)) {
        if (names_a_track(track))
            trace("not a local file, skipped: " + track.url);
        end_watch();
        drop_track(stop_for_another);
        return;
    }
    pending = true;
    tags_by = clock_now() + settle_time;
    if (sung_to_its_end) {
        // Below zero (or not read yet, as mpv's 0 at the change), the
        // previous track may still be playing its end.
        begin_watch(Watch::tail);
        if (readings.empty() || readings.back().position_us <= 0) {
            if (!readings.empty() && readings.back().position_us < tail_us)
                trace("the next track is named " +
                      std::to_string(-readings.back().position_us / 1000) +
                      " ms before the previous one ends");
            return;
        }
    }
    drop_track(stop_for_another);
    if (status == Status::paused) {
        end_watch();
        if (tags_arrived(track))
            report_track(std::nullopt);
        return;
    }
    begin_watch(Watch::settle);
}

void status_changed() {
    trace(followed + " " + status_name(status));
    switch (status) {
    case Status::stopped:
        end_watch();
        drop_track(stop_by_user);
        pending = false;
        current = {}; // the same track played again is a new track
        break;
    case Status::paused:
        end_watch();
        next_check.reset();
        if (pending) {
            drop_track(stop_for_another); // a previous track still sung to its end
            report_track(std::nullopt);
        } else if (reported) {
            hold_run();
        }
        break;
    case Status::playing:
        if (pending) {
            if (watch != Watch::settle)
                begin_watch(Watch::settle);
        } else if (reported && told_paused) {
            if (position_stands)
                resume_at_once();
            else
                begin_watch(Watch::settle);
        } else if (!reported) {
            // Playing again what it stopped, or a track it named while
            // stopped: the player need not name it again.
            PlayerTrack track;
            if (read_track(followed, track)) {
                current = {};
                take_track(track);
            }
        }
        break;
    }
}

void follow(const std::string& name) {
    followed = name;
    current = {};
    reported = false;
    pending = false;
    end_watch();
    drop_track(stop_by_user);
    say("following " + name);
    Status now = Status::stopped;
    if (!read_status(name, now))
        trace("no status from " + name);
    status = now;
    trace(followed + " " + status_name(status));
    PlayerTrack track;
    if (read_track(name, track))
        take_track(track);
}

void unfollow(int reason) {
    end_watch();
    drop_track(reason);
    pending = false;
    say("no longer following " + followed);
    followed.clear();
    current = {};
    status = Status::stopped;
}

// Without --player: the first player found playing.
void follow_a_playing_player() {
    for (const std::string& name : player_names()) {
        Status now = Status::stopped;
        if (wanted(name) && read_status(name, now) && now == Status::playing) {
            follow(name);
            return;
        }
    }
}

void handle_changed(const BusEvent& event) {
    if (event.player != followed) {
        // A player that starts playing is followed from now on. While none
        // is followed, so is one that loads a track (it may say Stopped while
        // it plays), and the one --player names whatever it says.
        bool starts_playing = event.status == Status::playing;
        bool loads = event.track && names_a_track(*event.track);
        bool taken_up = followed.empty() && (loads || !options.player.empty());
        if (wanted(event.player) && (starts_playing || taken_up)) {
            if (!followed.empty())
                unfollow(stop_for_another);
            follow(event.player);
        }
        return;
    }
    Status old = status;
    if (event.status)
        status = *event.status;
    // A player taken as playing while it said Stopped says Stopped again only
    // when it stops.
    if (event.track)
        take_track(*event.track);
    if (status != old)
        status_changed();
}

// A seek while playing holds the run until the position moves from where the
// seek took it: the player may show the new position before it plays it.
void handle_seeked(const BusEvent& event) {
    // A player that says Stopped is taken up by its position, wherever a
    // seek took it.
    if (event.player != followed || status == Status::stopped)
        return;
    trace("seeked to " + std::to_string(seconds(event.position_us)));
    if (pending || watch == Watch::tail) {
        drop_track(stop_for_another);
        if (status == Status::playing) {
            begin_watch(Watch::settle);
            return;
        }
        report_track(std::nullopt);
    }
    if (!reported)
        return;
    if (status == Status::paused) {
        tools::report_seek(seconds(event.position_us));
        held_us = event.position_us;
        return;
    }
    if (position_stands) {
        tools::report_seek(seconds(event.position_us));
        run_offset = event.position_us - us_since_epoch(clock_now());
        correction_next = true;
        schedule_check();
        return;
    }
    hold_run();
    held_us = event.position_us;
    begin_watch(Watch::settle);
}

} // namespace

void begin_following(const FollowOptions& chosen) {
    options = chosen;
    if (!options.player.empty()) {
        for (const std::string& name : player_names()) {
            if (wanted(name)) {
                follow(name);
                return;
            }
        }
        say("waiting for " + options.player + " to appear on the bus");
        return;
    }
    follow_a_playing_player();
    if (followed.empty())
        say("waiting for a player to play");
}

void handle_event(const BusEvent& event) {
    switch (event.kind) {
    case BusEvent::Kind::appeared:
        if (followed.empty() && !options.player.empty() && wanted(event.player))
            follow(event.player);
        break;
    case BusEvent::Kind::vanished:
        if (event.player != followed)
            break;
        // A player gone mid-track is a stop.
        unfollow(stop_by_user);
        if (options.exit_with_player)
            left = true;
        else if (options.player.empty())
            follow_a_playing_player();
        break;
    case BusEvent::Kind::changed:
        handle_changed(event);
        break;
    case BusEvent::Kind::seeked:
        handle_seeked(event);
        break;
    }
}

std::optional<Clock::time_point> next_deadline() {
    std::optional<Clock::time_point> next = next_reading;
    if (watch == Watch::none && next_check && (!next || *next_check < *next))
        next = next_check;
    if (pending && watch == Watch::none && (!next || tags_by < *next))
        next = tags_by;
    return next;
}

void handle_deadlines() {
    Clock::time_point now = clock_now();
    if (next_reading && now >= *next_reading) {
        next_reading = now + (slow ? stopped_look_interval : sample_interval);
        take_reading();
        if (slow) {
            // Looked at now and then: a position that moved since is watched
            // closely again.
            size_t n = readings.size();
            if (n >= 2 && readings[n - 1].position_us != readings[n - 2].position_us) {
                slow = false;
                watch_began = now;
                next_reading = now + sample_interval;
            }
            if (n > 1)
                readings.erase(readings.begin(), readings.end() - 1);
        }
        switch (watch) {
        case Watch::settle:
            finish_settle();
            break;
        case Watch::tail:
            finish_tail();
            break;
        case Watch::check:
            finish_check();
            break;
        case Watch::none:
            next_reading.reset();
            break;
        }
    }
    if (watch == Watch::none && next_check && now >= *next_check) {
        next_check.reset();
        if (reported && status == Status::playing && !told_paused)
            begin_watch(Watch::check);
    }
    if (pending && watch == Watch::none && now >= tags_by)
        report_track(std::nullopt);
}

bool player_has_left() {
    return left;
}

} // namespace lumivox::mpris
