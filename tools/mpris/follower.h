// Follows one MPRIS player and tells the component what it plays, as the
// media player's own playback events would: a new track, pause and resume,
// seek, stop, and a position report about once a second while playing.
#pragma once

#include "tools/mpris/bus.h"

#include <chrono>
#include <optional>
#include <string>

namespace lumivox::mpris {

using Clock = std::chrono::steady_clock;

struct FollowOptions {
    // Empty: the first player that is playing, then whichever starts
    // playing. Otherwise only this one: "mpv" names org.mpris.MediaPlayer2.mpv
    // and its instances (mpv.instance123); a full bus name is taken as is.
    std::string player;
    bool exit_with_player = false;
};

// Looks at the players on the bus now and follows the one to follow.
void begin_following(const FollowOptions& options);

void handle_event(const BusEvent& event);

// The next moment something is due (a track to report once its tags had
// time to arrive, a position report); none while nothing is.
std::optional<Clock::time_point> next_deadline();
void handle_deadlines(Clock::time_point now);

// With --exit-with-player: the followed player has left the bus.
bool player_has_left();

} // namespace lumivox::mpris
