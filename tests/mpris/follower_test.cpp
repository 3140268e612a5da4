// What the follower tells the component for what MPRIS players do, against
// scripted players (fake_player_side) and a clock the tests move: which
// track is new and when it is told, the playback events, where the run goes
// on from after a seek or a resume, the checks of the run's clock, the player
// that is followed. Each test runs in a process of its own, as the follower
// keeps its state for the program's life.
#include "tests/mpris/fake_player_side.h"
#include "tools/mpris/follower.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox::mpris {
namespace {

using mpris_test::fake_now;
using mpris_test::place;
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

BusEvent seeked(const std::string& player, double seconds) {
    return {BusEvent::Kind::seeked, player, {}, {}, static_cast<int64_t>(seconds * 1e6)};
}

// The program's loop for a while: each deadline handled when it is due.
void run_for(std::chrono::milliseconds wait) {
    Clock::time_point end = fake_now + wait;
    for (int i = 0; i < 100000; ++i) {
        std::optional<Clock::time_point> next = next_deadline();
        if (!next || *next > end)
            break;
        fake_now = std::max(fake_now, *next);
        handle_deadlines();
    }
    fake_now = end;
}

// The program's loop until the follower tells the component something (for
// at most `limit`); the clock stays at that moment.
Told run_until_told(std::chrono::milliseconds limit = 3000ms) {
    Clock::time_point end = fake_now + limit;
    Told told;
    while (told.empty()) {
        std::optional<Clock::time_point> next = next_deadline();
        if (!next || *next > end)
            break;
        fake_now = std::max(fake_now, *next);
        handle_deadlines();
        told = take_told();
    }
    return told;
}

// Where the player is now, as a report tells it.
std::string now_at(const std::string& player) {
    const mpris_test::FakePlayer& p = players[player];
    auto moved = std::chrono::duration_cast<std::chrono::microseconds>(fake_now - p.since).count();
    char text[32];
    std::snprintf(text, sizeof text, "%.2f",
                  static_cast<double>(p.position_us + (p.moving ? moved : 0)) / 1e6);
    return text;
}

// The player's position moves by `seconds` at once, without a Seeked signal.
void jump(const std::string& player, double seconds) {
    place(player, std::stod(now_at(player)) + seconds, true);
}

// Playing from `seconds` on, followed, and told: the position moved.
void playing_from(double seconds) {
    players[mpv].status = Status::playing;
    players[mpv].track = tagged;
    place(mpv, seconds, true);
    begin_following({});
    run_for(100ms);
}

TEST(Follower, ATrackIsToldOnceItsTagsArriveAndItsPositionMoves) {
    players[mpv] = {Status::playing, {}, 0, false, fake_now};
    place(mpv, 0, false);
    begin_following({});
    handle_event(changed(mpv, std::nullopt, named));
    handle_event(changed(mpv, std::nullopt, tagged));
    run_for(300ms);
    EXPECT_EQ(take_told(), Told{}); // it does not play yet
    place(mpv, 0, true);
    run_for(55ms);
    EXPECT_EQ(take_told(), Told{}); // one step is no movement yet
    run_for(50ms);                  // a second step, as far from the first as the clock moved
    EXPECT_EQ(take_told(), (Told{"track First Tune / Ann", "time 0.10"}));
    handle_event(changed(mpv, std::nullopt, tagged)); // the same track again
    run_for(100ms);
    EXPECT_EQ(take_told(), Told{});
    // Named once it plays: the previous track ends at once.
    place(mpv, 0.2, true);
    handle_event(changed(mpv, std::nullopt, next_track));
    EXPECT_EQ(take_told(), Told{"stop"});
    Told told = run_until_told();
    EXPECT_EQ(told, (Told{"track Second Tune / Bob", "time " + now_at(mpv)}));
}

TEST(Follower, ATrackWhoseTagsDoNotComeIsToldAfterAMoment) {
    players[mpv] = {Status::playing, {}, 0, false, fake_now};
    place(mpv, 0, true);
    begin_following({});
    handle_event(changed(mpv, std::nullopt, named));
    run_for(100ms);
    EXPECT_EQ(take_told(), Told{});
    run_for(100ms);
    // No file to read tags from: the player's title, the file's name.
    EXPECT_EQ(take_told(), (Told{"track one song.wav / ", "time 0.15"}));
    handle_event(changed(mpv, std::nullopt, tagged)); // late tags are no new track
    EXPECT_EQ(take_told(), Told{});
}

TEST(Follower, ASeekHoldsTheRunUntilThePositionMovesFromWhereItWent) {
    playing_from(2.0);
    EXPECT_EQ(take_told(), (Told{"track First Tune / Ann", "time 2.05"}));
    // The player shows where it seeks to at once, but plays from there only
    // a moment later.
    place(mpv, 8.0, false);
    handle_event(seeked(mpv, 8.0));
    EXPECT_EQ(take_told(), Told{"pause"});
    run_for(200ms);
    EXPECT_EQ(take_told(), Told{});
    place(mpv, 8.0, true);
    // The run goes on from where it was held, and a correction brings it to
    // where the player is: the lines passed over are sent, not lost.
    EXPECT_EQ(run_until_told(), (Told{"seek 8.00", "resume", "time 8.10"}));
    // Where the seek's reading and the clock agree, the first step is enough.
    place(mpv, 4.0, false);
    handle_event(seeked(mpv, 4.0));
    EXPECT_EQ(take_told(), Told{"pause"});
    place(mpv, 4.0, true);
    EXPECT_EQ(run_until_told(), (Told{"seek 4.00", "resume", "time 4.05"}));
    // The check a second later finds the run on time.
    Told told = run_until_told();
    EXPECT_EQ(told, Told{"time " + now_at(mpv)});
}

TEST(Follower, APauseHoldsTheRunAndTheResumeWaitsForThePosition) {
    playing_from(2.0);
    take_told();
    players[mpv].status = Status::paused;
    place(mpv, 3.0, false);
    handle_event(changed(mpv, Status::paused));
    EXPECT_EQ(take_told(), Told{"pause"});
    handle_event(seeked(mpv, 5.0)); // while paused: where the resume goes on
    EXPECT_EQ(take_told(), Told{"seek 5.00"});
    run_for(2s);
    EXPECT_EQ(take_told(), Told{}); // nothing is checked while paused
    players[mpv].status = Status::playing;
    place(mpv, 5.0, false);
    handle_event(changed(mpv, Status::playing));
    run_for(100ms);
    EXPECT_EQ(take_told(), Told{});
    place(mpv, 5.0, true);
    EXPECT_EQ(run_until_told(), (Told{"seek 5.00", "resume", "time 5.10"}));
    handle_event(changed(mpv, Status::stopped));
    EXPECT_EQ(take_told(), Told{"stop"});
    // Played again, the player need not name the track again.
    players[mpv].status = Status::playing;
    place(mpv, 0, true);
    handle_event(changed(mpv, Status::playing));
    EXPECT_EQ(run_until_told(), (Told{"track First Tune / Ann", "time 0.05"}));
}

TEST(Follower, APositionThatJumpedWithoutSeekedIsResynchronisedAtTheNextCheck) {
    playing_from(2.0);
    EXPECT_EQ(take_told(), (Told{"track First Tune / Ann", "time 2.05"}));
    Told told = run_until_told(); // on time: only the report
    EXPECT_EQ(told, Told{"time " + now_at(mpv)});
    jump(mpv, 17.0);
    told = run_until_told();
    EXPECT_EQ(told, Told{"seek " + now_at(mpv)});
    // After a resynchronisation the component takes the next report as a
    // correction when it is more than 30 ms off: no seek is needed.
    jump(mpv, 0.036);
    told = run_until_told();
    EXPECT_EQ(told, Told{"time " + now_at(mpv)});
    // 20 ms off is left alone; 25 ms more makes 45: a seek.
    jump(mpv, -0.020);
    told = run_until_told();
    EXPECT_EQ(told, Told{"time " + now_at(mpv)});
    jump(mpv, -0.025);
    told = run_until_told();
    EXPECT_EQ(told, Told{"seek " + now_at(mpv)});
    told = run_until_told();
    EXPECT_EQ(told, Told{"time " + now_at(mpv)});
}

TEST(Follower, TheNextTrackNamedBeforeThePreviousEndsIsToldWhenItBegins) {
    playing_from(9.0);
    take_told();
    // The player names the next track while the end of the previous one
    // still plays: its position reads below zero until then.
    players[mpv].track = next_track;
    place(mpv, -0.4, true);
    handle_event(changed(mpv, std::nullopt, next_track));
    run_for(300ms);
    EXPECT_EQ(take_told(), Told{}); // the previous track's last lines are still sung
    Told told = run_until_told();
    EXPECT_EQ(told, (Told{"stop", "track Second Tune / Bob", "time " + now_at(mpv)}));
    EXPECT_GE(std::stod(now_at(mpv)), -0.01);
}

TEST(Follower, APlayerThatSaysStoppedIsTakenAsPlayingOnceItsPositionMoves) {
    players[mpv] = {Status::stopped, {}, 0, false, fake_now};
    place(mpv, 0, false);
    begin_following({});
    players[mpv].track = tagged;
    handle_event(changed(mpv, std::nullopt, tagged)); // loads a track: followed
    run_for(3s);
    EXPECT_EQ(take_told(), Told{});
    place(mpv, 0.3, true);
    // Looked at once a second by now, then closely once it moved.
    Told told = run_until_told(1200ms);
    EXPECT_EQ(told, (Told{"track First Tune / Ann", "time " + now_at(mpv)}));
}

TEST(Follower, APlayerWhosePositionStandsStillIsFollowedOnTheComponentsClock) {
    players[mpv] = {Status::playing, tagged, 0, false, fake_now};
    begin_following({});
    run_for(900ms);
    EXPECT_EQ(take_told(), Told{});
    run_for(200ms);
    EXPECT_EQ(take_told(), (Told{"track First Tune / Ann", "time 0.00"}));
    handle_event(seeked(mpv, 5.0)); // goes on at once
    EXPECT_EQ(take_told(), Told{"seek 5.00"});
}

TEST(Follower, FollowsWhicheverPlayerStartsPlaying) {
    const std::string a = "org.mpris.MediaPlayer2.a";
    const std::string b = "org.mpris.MediaPlayer2.b";
    players[a] = {Status::paused, {"/a", "file:///a.flac", "Tune A", "Ann"}, 0, false, fake_now};
    players[b] = {Status::paused, {"/b", "file:///b.flac", "Tune B", "Bob"}, 0, false, fake_now};
    begin_following({});
    EXPECT_EQ(take_told(), Told{}); // none plays
    players[b].status = Status::playing;
    place(b, 0, true);
    handle_event(changed(b, Status::playing));
    EXPECT_EQ(run_until_told(), (Told{"track Tune B / Bob", "time 0.05"}));
    players[a].status = Status::playing;
    place(a, 0, true);
    handle_event(changed(a, Status::playing));
    EXPECT_EQ(take_told(), Told{"stop"});
    EXPECT_EQ(run_until_told(), (Told{"track Tune A / Ann", "time 0.05"}));
    // Gone mid-track: a stop, and the one still playing is followed.
    players.erase(a);
    handle_event({BusEvent::Kind::vanished, a, {}, {}, 0});
    EXPECT_EQ(take_told(), Told{"stop"});
    Told told = run_until_told();
    EXPECT_EQ(told, (Told{"track Tune B / Bob", "time " + now_at(b)}));
    EXPECT_FALSE(player_has_left());
}

TEST(Follower, OnlyTheNamedPlayerWhateverItDoesAndItsLeavingEndsTheRun) {
    const std::string instance = "org.mpris.MediaPlayer2.mpv.instance42";
    players["org.mpris.MediaPlayer2.vlc"] = {Status::playing, next_track, 0, false, fake_now};
    players[instance] = {Status::paused, tagged, 0, false, fake_now};
    begin_following({"mpv", true});
    EXPECT_EQ(take_told(), Told{"track First Tune / Ann paused"});
    handle_event(changed("org.mpris.MediaPlayer2.vlc", Status::playing, next_track));
    EXPECT_EQ(take_told(), Told{});
    handle_event({BusEvent::Kind::vanished, instance, {}, {}, 0});
    EXPECT_EQ(take_told(), Told{"stop"});
    EXPECT_TRUE(player_has_left());
}

TEST(Follower, AStreamStopsWhatWasSungAndIsSkipped) {
    playing_from(0);
    take_told();
    handle_event(
        changed(mpv, std::nullopt, PlayerTrack{"/2", "https://radio.invalid/live", "Live", ""}));
    run_for(300ms);
    EXPECT_EQ(take_told(), Told{"stop"});
}

} // namespace
} // namespace lumivox::mpris
