// In place of the bus and the component, for the follower's own tests: MPRIS
// players whose properties a test sets, and a component that writes down what
// it is told. The test program links these instead of bus.cpp and the host's
// session.
#pragma once

#include "tools/mpris/track.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace lumivox::mpris_test {

struct FakePlayer {
    mpris::Status status = mpris::Status::stopped;
    mpris::PlayerTrack track;
    int64_t position_us = 0;
};

// The players on the bus, by name, in the order they are listed.
extern std::map<std::string, FakePlayer> players;

// What the component was told, in order: "track TITLE / ARTIST" (with
// " paused"), "time S", "seek S", "pause", "resume", "stop"; emptied by
// taking it.
std::vector<std::string> take_told();

} // namespace lumivox::mpris_test
