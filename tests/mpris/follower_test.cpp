// What the follower tells the component for what MPRIS players do, against
// scripted players (fake_player_side): which track is new and when it is
// told, the playback events, the player that is followed. Each test runs in
// a process of its own, as the follower keeps its state for the program's
// life.
#include "tests/mpris/fake_player_side.h"
#include "tools/mpris/follower.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox::mpris {
namespace {

using mpris_test::players;
using mpris_test::take_told;
using namespace std::chrono_literals;
using Told = std::vector<std::string>;

const std::string mpv = "org.mpris.MediaPlayer2.mpv";
const std::string url = "file:///music/one%20song.wav";
// What mpv says first, then a moment later.
const PlayerTrack named = {"/0", url, "one song.wav", ""};
const PlayerTrack tagged = {"/0", url, "First Tune", "Ann"};
const PlayerTrack next_track = {"/1", "file:///music/two.wav", "Second Tune", "Bob"};

BusEvent changed(const std::string& player, std::optional<Status> status,
                 std::optional<PlayerTrack> track = std::nullopt) {
    return {BusEvent::Kind::changed, player, status, track, 0};
}

void later(std::chrono::milliseconds wait) {
    handle_deadlines(Clock::now() + wait);
}

TEST(Follower, ATrackIsToldOnceItsTagsArriveAndOnlyOnce) {
    players[mpv] = {Status::playing, {}, 0};
    begin_following({});
    handle_event(changed(mpv, std::nullopt, named));
    EXPECT_EQ(take_told(), Told{});
    handle_event(changed(mpv, std::nullopt, tagged));
    EXPECT_EQ(take_told(), (Told{"track First Tune / Ann", "time 0.0"}));
    handle_event(changed(mpv, std::nullopt, tagged)); // the same track again
    EXPECT_EQ(take_told(), Told{});
    handle_event(changed(mpv, std::nullopt, next_track));
    EXPECT_EQ(take_told(), (Told{"stop", "track Second Tune / Bob", "time 0.0"}));
}

TEST(Follower, ATrackWhoseTagsDoNotComeIsToldAfterAMoment) {
    players[mpv] = {Status::playing, {}, 0};
    begin_following({});
    handle_event(changed(mpv, std::nullopt, named));
    later(100ms);
    EXPECT_EQ(take_told(), Told{});
    later(200ms);
    // No file to read tags from: the player's title, the file's name.
    EXPECT_EQ(take_told(), (Told{"track one song.wav / ", "time 0.0"}));
    handle_event(changed(mpv, std::nullopt, tagged)); // late tags are no new track
    EXPECT_EQ(take_told(), Told{});
}

TEST(Follower, PauseSeekResumeAndStop) {
    players[mpv] = {Status::playing, tagged, 2000000};
    begin_following({});
    EXPECT_EQ(take_told(), (Told{"track First Tune / Ann", "time 2.0"}));
    players[mpv].status = Status::paused;
    handle_event(changed(mpv, Status::paused));
    EXPECT_EQ(take_told(), Told{"pause"});
    handle_event({BusEvent::Kind::seeked, mpv, {}, {}, 5000000});
    EXPECT_EQ(take_told(), Told{"seek 5.0"}); // no position while paused
    players[mpv].position_us = 5000000;
    handle_event(changed(mpv, Status::playing));
    EXPECT_EQ(take_told(), (Told{"resume", "time 5.0"}));
    later(1100ms);
    EXPECT_EQ(take_told(), Told{"time 5.0"});
    players[mpv].position_us = 8000000;
    handle_event({BusEvent::Kind::seeked, mpv, {}, {}, 8000000});
    EXPECT_EQ(take_told(), (Told{"seek 8.0", "time 8.0"}));
    handle_event(changed(mpv, Status::stopped));
    EXPECT_EQ(take_told(), Told{"stop"});
    // Played again, the player need not name the track again.
    handle_event(changed(mpv, Status::playing));
    EXPECT_EQ(take_told(), (Told{"track First Tune / Ann", "time 8.0"}));
}

TEST(Follower, APlayerThatSaysStoppedIsTakenAsPlayingOnceItsPositionMoves) {
    players[mpv] = {Status::stopped, {}, 0};
    begin_following({});
    players[mpv].track = tagged;
    handle_event(changed(mpv, std::nullopt, tagged)); // loads a track: followed
    later(200ms);
    EXPECT_EQ(take_told(), Told{});
    players[mpv].position_us = 300000;
    later(1300ms);
    EXPECT_EQ(take_told(), (Told{"track First Tune / Ann", "time 0.3"}));
}

TEST(Follower, FollowsWhicheverPlayerStartsPlaying) {
    const std::string a = "org.mpris.MediaPlayer2.a";
    const std::string b = "org.mpris.MediaPlayer2.b";
    players[a] = {Status::paused, {"/a", "file:///a.flac", "Tune A", "Ann"}, 0};
    players[b] = {Status::paused, {"/b", "file:///b.flac", "Tune B", "Bob"}, 0};
    begin_following({});
    EXPECT_EQ(take_told(), Told{}); // none plays
    players[b].status = Status::playing;
    handle_event(changed(b, Status::playing));
    EXPECT_EQ(take_told(), (Told{"track Tune B / Bob", "time 0.0"}));
    players[a].status = Status::playing;
    handle_event(changed(a, Status::playing));
    EXPECT_EQ(take_told(), (Told{"stop", "track Tune A / Ann", "time 0.0"}));
    // Gone mid-track: a stop, and the one still playing is followed.
    players.erase(a);
    handle_event({BusEvent::Kind::vanished, a, {}, {}, 0});
    EXPECT_EQ(take_told(), (Told{"stop", "track Tune B / Bob", "time 0.0"}));
    EXPECT_FALSE(player_has_left());
}

TEST(Follower, OnlyTheNamedPlayerWhateverItDoesAndItsLeavingEndsTheRun) {
    const std::string instance = "org.mpris.MediaPlayer2.mpv.instance42";
    players["org.mpris.MediaPlayer2.vlc"] = {Status::playing, next_track, 0};
    players[instance] = {Status::paused, tagged, 1000000};
    begin_following({"mpv", true});
    EXPECT_EQ(take_told(), Told{"track First Tune / Ann paused"});
    handle_event(changed("org.mpris.MediaPlayer2.vlc", Status::playing, next_track));
    EXPECT_EQ(take_told(), Told{});
    handle_event({BusEvent::Kind::vanished, instance, {}, {}, 0});
    EXPECT_EQ(take_told(), Told{"stop"});
    EXPECT_TRUE(player_has_left());
}

TEST(Follower, AStreamStopsWhatWasSungAndIsSkipped) {
    players[mpv] = {Status::playing, tagged, 0};
    begin_following({});
    take_told();
    handle_event(
        changed(mpv, std::nullopt, PlayerTrack{"/2", "https://radio.invalid/live", "Live", ""}));
    later(300ms);
    EXPECT_EQ(take_told(), Told{"stop"});
}

} // namespace
} // namespace lumivox::mpris
