#include "tests/mpris/fake_player_side.h"

#include "tools/host/session.h"

#include <cstdio>

namespace lumivox::mpris_test {

std::map<std::string, FakePlayer> players;
mpris::Clock::time_point fake_now = mpris::Clock::time_point(std::chrono::hours(1));

namespace {

std::vector<std::string> told;

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string field(const tools::TrackInfo& info, const char* name) {
    for (const tools::TrackField& f : info.fields) {
        if (tools::same_field_name(f.name, name) && !f.values.empty())
            return f.values[0];
    }
    return "";
}

} // namespace

void place(const std::string& player, double seconds, bool moving) {
    FakePlayer& p = players[player];
    p.position_us = static_cast<int64_t>(seconds * 1e6);
    p.moving = moving;
    p.since = fake_now;
}

std::vector<std::string> take_told() {
    std::vector<std::string> out;
    out.swap(told);
    return out;
}

} // namespace lumivox::mpris_test

namespace lumivox::mpris {

using mpris_test::players;

std::vector<std::string> player_names() {
    std::vector<std::string> names;
    for (const auto& [name, player] : players)
        names.push_back(name);
    return names;
}

bool read_status(const std::string& player, Status& out) {
    auto it = players.find(player);
    if (it == players.end())
        return false;
    out = it->second.status;
    return true;
}

bool read_track(const std::string& player, PlayerTrack& out) {
    auto it = players.find(player);
    if (it == players.end())
        return false;
    out = it->second.track;
    return true;
}

bool read_position(const std::string& player, int64_t& microseconds) {
    auto it = players.find(player);
    if (it == players.end())
        return false;
    const mpris_test::FakePlayer& p = it->second;
    microseconds = p.position_us;
    if (p.moving) {
        auto moved =
            std::chrono::duration_cast<std::chrono::microseconds>(mpris_test::fake_now - p.since)
                .count();
        microseconds += moved / p.step_us * p.step_us;
    }
    return true;
}

Clock::time_point clock_now() {
    return mpris_test::fake_now;
}

} // namespace lumivox::mpris

namespace lumivox::tools {

using mpris_test::told;

void report_new_track(const TrackInfo& info, bool paused) {
    told.push_back("track " + mpris_test::field(info, "TITLE") + " / " +
                   mpris_test::field(info, "ARTIST") + (paused ? " paused" : ""));
}

void report_time(double seconds) {
    told.push_back("time " + mpris_test::seconds(seconds));
}

void report_seek(double seconds) {
    told.push_back("seek " + mpris_test::seconds(seconds));
}

void report_pause(bool paused) {
    told.push_back(paused ? "pause" : "resume");
}

void report_stop(int) {
    told.push_back("stop");
}

} // namespace lumivox::tools
