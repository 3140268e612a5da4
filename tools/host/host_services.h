// The host side of the component's interface: the host API, the services it
// hands out, track handles and text objects.
#pragma once

#include "tools/host/host_string.h"
#include "tools/host/player_api.h"

#include <string>
#include <utility>
#include <vector>

namespace lumivox::tools {

struct TrackField {
    std::string name;
    std::vector<std::string> values;
};

struct TrackInfo {
    std::string location; // "file://" + absolute path, or "file-relative://" + relative path
    std::vector<TrackField> fields;
    double length_seconds = 0; // 0: unknown
};

foobar2000_api* host_api();

// What get_profile_path answers: "file://" and the folder, as the player
// names its profile (default_profile_folder() until set).
void set_profile_folder(const std::string& folder);

// Tag field names are matched ignoring ASCII case.
bool same_field_name(const std::string& a, const std::string& b);

// What playback control's "paused" answers.
void set_paused(bool paused);

// The registered playback callbacks and their mask; nullptr when none.
play_callback* registered_events(unsigned& mask);

// A new track handle holding one reference, the caller's.
metadb_handle* make_track(TrackInfo info);

// Host objects the component still holds references to, by name; empty when
// everything it obtained has been given back.
std::vector<std::string> outstanding_objects();

} // namespace lumivox::tools
