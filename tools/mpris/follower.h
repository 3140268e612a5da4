// Follows one MPRIS player and tells the component what it plays, as the
// media player's own playback events would: a new track, pause and resume,
// seek, stop, and a position report about once a second while playing.
// After a new track, a seek or a resume the run goes on only once the
// player's position is seen moving with the clock, from where it really is;
// while playing, the run's clock is checked against the position once a
// second and resynchronised when it is more than 40 ms off.
#pragma once

#include "tools/mpris/bus.h"

#include <optional>
#include <string>

namespace lumivox::mpris {

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

// The next moment something is due (a look at the position, a track to
// report once its tags had time to arrive, a check); none while nothing is.
std::optional<Clock::time_point> next_deadline();
// Does what is due by clock_now().
void handle_deadlines();

// With --exit-with-player: the followed player has left the bus.
bool player_has_left();

} // namespace lumivox::mpris
