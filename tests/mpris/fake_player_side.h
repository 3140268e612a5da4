// In place of the bus and the component, for the follower's own tests: MPRIS
// players whose properties a test sets, a clock the test moves, and a
// component that writes down what it is told. The test program links these
// instead of bus.cpp and the host's session.
#pragma once

#include "tools/mpris/bus.h"
#include "tools/mpris/track.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace lumivox::mpris_test {

struct FakePlayer {
    mpris::Status status = mpris::Status::stopped;
    mpris::PlayerTrack track;
    // Its position at `since`; while `moving` it advances with the clock,
    // shown in steps of `step_us` as mpv shows it.
    int64_t position_us = 0;
    bool moving = false;
    mpris::Clock::time_point since;
    int64_t step_us = 50000;
};

// The players on the bus, by name, in the order they are listed.
extern std::map<std::string, FakePlayer> players;

// The clock the follower reads; tests move it.
extern mpris::Clock::time_point fake_now;

// Sets where a player's position is now and whether it moves from there.
void place(const std::string& player, double seconds, bool moving);

// What the component was told, in order: "track TITLE / ARTIST" (with
// " paused"), "time S", "seek S" (S to 0.01 s), "pause", "resume", "stop";
// emptied by taking it.
std::vector<std::string> take_told();

} // namespace lumivox::mpris_test
