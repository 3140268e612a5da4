// What a player's Position readings tell: whether the position moves with
// the clock, and where it stands. Players move their position in steps (mpv
// by about 50 ms) and never show it ahead of what plays, so the reading
// taken just after a step is the closest, and each reading is at most as far
// along as the track really is.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace lumivox::mpris {

using Clock = std::chrono::steady_clock;

struct Reading {
    Clock::time_point at;
    int64_t position_us = 0;
};

// How far two readings may disagree with the clock and still show the
// position moving with it.
constexpr auto moving_tolerance = std::chrono::milliseconds(15);

// From readings in the order taken: when the latest is a step (it differs
// from the reading taken just before it, at most four sampling intervals
// earlier) and lies as far from an earlier step, or from the first reading,
// as the clock has moved since (at least 30 ms, within moving_tolerance),
// the index of the latest such earlier reading: the readings from it on show the
// position moving. None otherwise.
std::optional<size_t> moving_since(const std::vector<Reading>& readings,
                                   std::chrono::milliseconds interval);

// The position at the clock's zero, microseconds: the track's position at
// time t is this plus t. Taken from the readings from `from` on, which were
// taken while it moved: the one furthest along.
int64_t position_offset(const std::vector<Reading>& readings, size_t from);

// offset + at, in microseconds.
int64_t position_at(int64_t offset_us, Clock::time_point at);

} // namespace lumivox::mpris
