// lumivox-mpris's two commands: following a player until a signal ends it,
// and editing the settings through the preferences page.
#pragma once

#include "tools/host/session.h"
#include "tools/mpris/follower.h"

#include <string>
#include <vector>

namespace lumivox::mpris {

// Host start, then the player's playback until SIGINT or SIGTERM (or, with
// --exit-with-player, until the player leaves), then host exit. 0 on a clean
// end; 1 with a message when the bus, the module or the settings fail.
int follow_player(const tools::RunOptions& options, const FollowOptions& follow);

// The page's step, "prefs ID=VALUE... [shot=FILE] [reset]", as lumivox-host
// takes it; no host start, so nothing is sent. 0, or 1 and 2 as
// lumivox-host answers.
int edit_settings(const tools::RunOptions& options, const std::vector<std::string>& words);

} // namespace lumivox::mpris
