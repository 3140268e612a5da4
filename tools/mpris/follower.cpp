#include "tools/mpris/follower.h"

#include "tools/host/session.h"
#include "tools/host/trace.h"

#include <cstdio>

namespace lumivox::mpris {

namespace {

using namespace std::chrono_literals;

// How long a new track's report waits for its real tags when the player
// first names it by its file name alone.
constexpr auto settle_time = 150ms;
constexpr auto report_interval = 1s;

// The player's reasons for a stop, as the component is told them.
constexpr int stop_by_user = 0;
constexpr int stop_for_another = 2;

const std::string players_prefix = "org.mpris.MediaPlayer2.";

FollowOptions options;
std::string followed; // empty: none
Status status = Status::stopped;
PlayerTrack current;   // the track the player names now
bool reported = false; // the component was told of current
bool pending = false;  // current is still to be reported
Clock::time_point settle_by;
// Where a player that says Stopped was when it named its track: some (mpv's
// plugin after a file is loaded into an idle mpv) keep saying Stopped while
// they play, and are known playing by their position.
std::optional<int64_t> stopped_at_us;
std::optional<Clock::time_point> next_report;
bool left = false;

void say(const std::string& line) {
    std::printf("lumivox-mpris: %s\n", line.c_str());
    std::fflush(stdout);
}

void trace(const std::string& line) {
    tools::trace("mpris: " + line);
}

bool wanted(const std::string& name) {
    if (options.player.empty())
        return true;
    if (options.player.compare(0, players_prefix.size(), players_prefix) == 0)
        return name == options.player;
    std::string own = players_prefix + options.player;
    return name == own || name.compare(0, own.size() + 1, own + ".") == 0;
}

void report_position() {
    int64_t microseconds = 0;
    if (read_position(followed, microseconds))
        tools::report_time(static_cast<double>(microseconds) / 1e6);
    else
        trace("no position from " + followed);
    next_report = Clock::now() + report_interval;
}

// The component stops singing what it was told of.
void drop_track(int reason) {
    if (reported)
        tools::report_stop(reason);
    reported = false;
    pending = false;
    next_report.reset();
}

void report_track() {
    pending = false;
    std::optional<std::string> path = local_path(current.url);
    if (!path)
        return;
    reported = true;
    trace("track " + current.id + " \"" + current.title + "\" by \"" + current.artist + "\"");
    tools::report_new_track(track_info(current, *path), status == Status::paused);
    if (status == Status::playing)
        report_position();
}

// Metadata from the followed player. A second update of the same track only
// completes its tags; a track is reported once they arrived, or when they had
// time to (settle_time). While the player says Stopped, it is reported only
// once the player's position moves.
void take_track(const PlayerTrack& track) {
    if (names_a_track(current) && same_track(track, current)) {
        if (pending) {
            current = track;
            if (tags_arrived(current) && status != Status::stopped)
                report_track();
        }
        return;
    }
    drop_track(stop_for_another);
    current = track;
    if (!names_a_track(track))
        return;
    if (!local_path(track.url)) {
        trace("not a local file, skipped: " + track.url);
        return;
    }
    pending = true;
    settle_by = Clock::now() + settle_time;
    stopped_at_us.reset();
    if (status == Status::stopped) {
        int64_t now_us = 0;
        if (read_position(followed, now_us))
            stopped_at_us = now_us;
    } else if (tags_arrived(track)) {
        report_track();
    }
}

// A pending track of a player that says Stopped: reported as playing once its
// position moved, else looked at again a moment later.
void check_stopped_player() {
    int64_t now_us = 0;
    bool read = read_position(followed, now_us);
    if (!read || !stopped_at_us || now_us <= *stopped_at_us) {
        if (read)
            stopped_at_us = now_us;
        settle_by = Clock::now() + report_interval;
        return;
    }
    trace(followed + " says Stopped but plays: taken as Playing");
    status = Status::playing;
    report_track();
}

void status_changed(Status old) {
    trace(followed + " " + status_name(status));
    switch (status) {
    case Status::stopped:
        drop_track(stop_by_user);
        current = {}; // the same track played again is a new track
        break;
    case Status::paused:
        if (pending) {
            report_track();
        } else if (reported && old == Status::playing) {
            tools::report_pause(true);
            next_report.reset();
        }
        break;
    case Status::playing:
        if (reported && old == Status::paused) {
            tools::report_pause(false);
            report_position();
        } else if (!reported && !pending) {
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
    next_report.reset();
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
    drop_track(reason);
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
    if (event.track)
        take_track(*event.track);
    if (status != old)
        status_changed(old);
}

void handle_seeked(const BusEvent& event) {
    // A player that says Stopped is taken up by its position, wherever a
    // seek took it.
    if (event.player != followed || status == Status::stopped)
        return;
    if (pending)
        report_track();
    if (!reported)
        return;
    trace("seeked to " + std::to_string(static_cast<double>(event.position_us) / 1e6));
    tools::report_seek(static_cast<double>(event.position_us) / 1e6);
    if (status == Status::playing)
        report_position();
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
    std::optional<Clock::time_point> next = next_report;
    if (pending && (!next || settle_by < *next))
        next = settle_by;
    return next;
}

void handle_deadlines(Clock::time_point now) {
    if (next_report && now >= *next_report) {
        if (reported && status == Status::playing)
            report_position();
        else
            next_report.reset();
    }
    if (pending && now >= settle_by) {
        if (status == Status::stopped)
            check_stopped_player();
        else
            report_track();
    }
}

bool player_has_left() {
    return left;
}

} // namespace lumivox::mpris
