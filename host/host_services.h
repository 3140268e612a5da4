// The host side of the component's interface: the host API, the services it
// hands out, track handles and text objects.
#pragma once

#include "component/service_api.h"
#include "host/host_string.h"

#include <string>
#include <utility>
#include <vector>

namespace lumivox::tools {

struct TrackField {
    std::string name;
    std::vector<std::string> values;
};

struct TrackInfo {
    std::string location; // "file://" + absolute path
    std::vector<TrackField> fields;
};

HostApi* host_api();

// What playback control's "paused" answers.
void set_paused(bool paused);

// The registered playback callbacks and their mask; nullptr when none.
PlaybackEvents* registered_events(uint32_t& mask);

// A new track handle holding one reference, which the receiver gives up.
TrackHandle* make_track(TrackInfo info);

// Host objects the component still holds references to, by name; empty when
// everything it obtained has been given back.
std::vector<std::string> outstanding_objects();

} // namespace lumivox::tools
