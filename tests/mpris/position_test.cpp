// What a player's position readings are taken to show: moving with the clock
// or not, and where the track stands.
#include "tools/mpris/position.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox::mpris {
namespace {

using namespace std::chrono_literals;

// Readings "ms:position_ms" from a start of the clock.
std::vector<Reading> readings(const std::vector<std::pair<int, int>>& looks) {
    std::vector<Reading> out;
    for (auto [ms, position_ms] : looks)
        out.push_back({Clock::time_point(std::chrono::milliseconds(ms)),
                       static_cast<int64_t>(position_ms) * 1000});
    return out;
}

TEST(Position, MovingWithTheClockIsTwoStepsAsFarApartAsTheClockMoved) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, int>> looks;
        std::optional<size_t> since;
    };
    const Case cases[] = {
        {"the first reading, then a step as far on", {{0, 8000}, {45, 8000}, {50, 8050}}, 0},
        {"too soon after the first reading", {{0, 8000}, {20, 8020}}, std::nullopt},
        {"a step after a stall: one step is not enough",
         {{0, 8000}, {200, 8000}, {205, 8050}},
         std::nullopt},
        {"a second step matches the first",
         {{0, 8000}, {200, 8000}, {205, 8050}, {250, 8050}, {255, 8100}},
         2},
        {"steps faster than the clock", {{0, 0}, {5, 100}, {50, 100}, {55, 200}}, std::nullopt},
        {"backwards", {{0, 1000}, {45, 1000}, {50, 950}}, std::nullopt},
        // A busy machine looked too late to date the step.
        {"looks far apart", {{0, 8000}, {30, 8000}, {70, 8050}}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(moving_since(readings(c.looks), 5ms), c.since) << c.what;
}

TEST(Position, TheReadingFurthestAlongTellsWhereTheTrackIs) {
    // Steps of 50 ms, read every 10 ms: the reading just after a step lags
    // least.
    auto r = readings({{1000, 8000}, {1040, 8000}, {1050, 8050}, {1060, 8050}, {1090, 8050}});
    EXPECT_EQ(position_at(position_offset(r, 0), Clock::time_point(2000ms)), 9000000);
    // From a later reading on only.
    EXPECT_EQ(position_at(position_offset(r, 3), Clock::time_point(2000ms)), 8990000);
}

} // namespace
} // namespace lumivox::mpris
