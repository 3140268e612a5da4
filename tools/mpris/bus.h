// The session bus as lumivox-mpris sees it: the MPRIS players on it, their
// property changes and seeks, and the reads of their properties. Everything
// runs on the caller's thread; nothing arrives between calls to process_bus.
#pragma once

#include "tools/mpris/position.h"
#include "tools/mpris/track.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumivox::mpris {

struct BusEvent {
    enum class Kind {
        appeared, // a player took its name
        vanished, // a player left the bus
        changed,  // PropertiesChanged: status, track, or both
        seeked,   // Seeked
    };
    Kind kind = Kind::changed;
    std::string player; // its name on the bus, org.mpris.MediaPlayer2.NAME
    std::optional<Status> status;
    std::optional<PlayerTrack> track;
    int64_t position_us = 0; // seeked
};

// Connects to the session bus and listens to every MPRIS player. False with a
// message when there is no session bus.
bool connect_bus(std::string& error);
void disconnect_bus();

// The players on the bus now.
std::vector<std::string> player_names();

// A player's properties, read now; false when it does not answer.
bool read_status(const std::string& player, Status& out);
bool read_track(const std::string& player, PlayerTrack& out);
bool read_position(const std::string& player, int64_t& microseconds);

// The time readings are stamped with and reports are timed by: the steady
// clock.
Clock::time_point clock_now();

// What to poll for the bus: its descriptor, the events and how long at most
// to wait (milliseconds, -1 for no limit).
struct BusPoll {
    int fd = -1;
    short events = 0;
    int timeout_ms = -1;
};
BusPoll bus_poll();

// Reads what arrived, in order. False with a message when the connection is
// lost.
bool process_bus(std::vector<BusEvent>& events, std::string& error);

} // namespace lumivox::mpris
