// What a player tells of what it plays, its PlaybackStatus and the track its
// Metadata names, and what the component is told of that track.
#pragma once

#include "tools/host/host_services.h"

#include <optional>
#include <string>

namespace lumivox::mpris {

enum class Status { stopped, paused, playing };

// "Playing", "Paused" or "Stopped".
const char* status_name(Status status);

struct PlayerTrack {
    std::string id;     // mpris:trackid
    std::string url;    // xesam:url
    std::string title;  // xesam:title
    std::string artist; // the first xesam:artist
};

// A player without a track names none (no URL), as mpv's "/noplaylist".
bool names_a_track(const PlayerTrack& track);

// Another track when its ID or its URL differs: a second Metadata update of
// the same track only brings its tags.
bool same_track(const PlayerTrack& a, const PlayerTrack& b);

// The local path of a file:// URL (no host or "localhost"), percent-decoded;
// none for other URLs and for escapes that do not decode to a path.
std::optional<std::string> local_path(const std::string& url);

// Whether the Metadata already carries the track's own tags: players first
// name a track by its file name alone and send the real title and artist a
// moment later.
bool tags_arrived(const PlayerTrack& track);

// The track as the component is told of it: the file's own tags, with the
// player's title and artist in place of the file's where the player has
// them. A file whose tags cannot be read keeps only the player's.
tools::TrackInfo track_info(const PlayerTrack& track, const std::string& path);

} // namespace lumivox::mpris
