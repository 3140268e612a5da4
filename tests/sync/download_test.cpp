// Lyrics downloaded from a stand-in LRCLIB server: the client's answers and
// limits, and the download as the playback handlers drive it: lyrics that
// arrive mid-track are sung from the track's position on and saved, a track
// the server has nothing for is not asked for again, and a new track
// cancels what is still coming.
#include "sync/download.h"

#include "component/settings.h"
#include "platform/clock.h"
#include "platform/http.h"
#include "sstp/request.h"
#include "sync/scheduler.h"
#include "sync/start_tick.h"
#include "tests/support/lrclib_standin.h"
#include "tests/sync/fixture.h"
#include "tests/timeline/lyric_files.h"
#include "timeline/lookup.h"
#include "timeline/lyric_folders.h"
#include "timeline/timeline.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>

namespace lumivox {
namespace {

using Clock = std::chrono::steady_clock;

struct Fetched {
    platform::HttpResult result;
    int status;
    std::string body;
};

Fetched fetch(const std::string& url, const platform::HttpLimits& limits,
              platform::HttpCancel* cancel = nullptr) {
    platform::HttpAnswer answer;
    platform::HttpResult result =
        platform::http_get(url.c_str(), "Lumivox-test/1", limits, cancel, answer);
    Fetched fetched{result, answer.status,
                    answer.body != nullptr ? std::string(answer.body, answer.length) : ""};
    std::free(answer.body);
    return fetched;
}

std::string get_url(const test::LrclibStandin& server, const std::string& track) {
    return server.url() + "/api/get?artist_name=A&track_name=" + track;
}

TEST(Http, GivesEachAnswerOfTheServer) {
    test::LrclibStandin server;
    ASSERT_TRUE(server.listening());
    server.answer("found", test::lrclib_found("[00:01.00]one"));
    server.answer("error", test::lrclib_server_error());
    server.answer("huge", test::lrclib_over_limit());
    const platform::HttpLimits limits{5000, 10000, 1024 * 1024};
    struct Case {
        const char* track;
        platform::HttpResult result;
        int status;
    };
    const Case cases[] = {
        {"found", platform::HttpResult::answered, 200},
        {"missing", platform::HttpResult::answered, 404},
        {"error", platform::HttpResult::answered, 500},
        {"huge", platform::HttpResult::too_large, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.track);
        Fetched got = fetch(get_url(server, c.track), limits);
        EXPECT_EQ(got.result, c.result);
        EXPECT_EQ(got.status, c.status);
        if (c.status == 200) {
            EXPECT_NE(got.body.find("[00:01.00]one"), std::string::npos);
        }
    }
    ASSERT_EQ(server.requests().size(), 4u);
    EXPECT_EQ(server.requests()[0].user_agent, "Lumivox-test/1");
    EXPECT_EQ(server.requests()[0].query.at("track_name"), "found");

    // Nobody listens there, or no such scheme.
    EXPECT_EQ(fetch("http://127.0.0.1:1/api/get", limits).result, platform::HttpResult::failed);
    EXPECT_EQ(fetch("ftp://127.0.0.1/x", limits).result, platform::HttpResult::failed);
}

TEST(Http, GivesUpAtItsLimitOrWhenCancelled) {
    test::LrclibStandin server;
    server.answer("slow", test::lrclib_slow(test::lrclib_found("[00:01.00]one"), 8000));
    auto begin = Clock::now();
    Fetched got = fetch(get_url(server, "slow"), {1000, 1000, 1024 * 1024});
    EXPECT_EQ(got.result, platform::HttpResult::timed_out);
    EXPECT_LT(Clock::now() - begin, std::chrono::milliseconds(7000));

    platform::HttpCancel* cancel = platform::http_cancel_create();
    ASSERT_NE(cancel, nullptr);
    std::thread canceller([cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        platform::http_cancel(cancel);
    });
    begin = Clock::now();
    got = fetch(get_url(server, "slow"), {5000, 20000, 1024 * 1024}, cancel);
    canceller.join();
    EXPECT_EQ(got.result, platform::HttpResult::cancelled);
#ifndef _WIN32
    // Wine's WinHTTP holds a request it cannot abort until the server answers.
    EXPECT_LT(Clock::now() - begin, std::chrono::milliseconds(7000));
#endif
    // Cancelled before it starts: nothing is sent.
    size_t asked = server.requests().size();
    EXPECT_EQ(fetch(get_url(server, "slow"), {5000, 20000, 1024}, cancel).result,
              platform::HttpResult::cancelled);
    platform::http_cancel_destroy(cancel);
    server.stop();
    EXPECT_EQ(server.requests().size(), asked);
}

const std::string reset = R"(\_q\0\s[0]\e)";

class Download : public testing::Test {
  protected:
    void SetUp() override {
        test::use_recording_transport();
        current_trailer = trailer_plain;
        cfg_options = default_options;
        cfg_lyric_download = with_lrclib_download(0, true);
        cfg_lrclib_server.set(server.url().c_str(), whole_text);
        set_profile_lyrics_folder(("file://" + profile.path()).c_str());
        download_limits = {2000, 4000, 1024 * 1024};
        finished_before = downloads_finished();
    }
    void TearDown() override {
        download_shutdown();
        PlayerTurn turn;
        forget_download();
        sync_stop();
        set_profile_lyrics_folder(nullptr);
    }

    // A new track that found nothing on the machine: its position 0 is now.
    void new_track(const char* artist, const char* title, bool paused = false) {
        start_tick = platform::tick_count();
        PlayerTurn turn;
        forget_download();
        sync_stop();
        download_new_track(paused);
        request_download({artist, title, "Album", 61.2}, R"(\0\s[25]%ILYX\e)");
    }

    // Requests the worker finished since the test began.
    uint32_t finished() const { return downloads_finished() - finished_before; }
    bool wait_finished(uint32_t n, int timeout_ms) const {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        while (finished() < n && Clock::now() < deadline)
            test::sleep_ms(10);
        return finished() >= n;
    }
    // Waits until the stand-in server has been asked n times.
    bool wait_asked(size_t n, int timeout_ms) const {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        while (server.requests().size() < n && Clock::now() < deadline)
            test::sleep_ms(10);
        return server.requests().size() >= n;
    }

    std::string saved(const std::string& name) const {
        std::ifstream in(profile.path() + "/lyrics/" + name, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    test::LrclibStandin server;
    test::TempFolder profile;
    uint32_t finished_before = 0;
};

// The answer comes 600 ms into the track: the line in progress goes on from
// where the track is, a line already over is not sent, later lines come on
// time; the lyrics are saved as LRC, and found there the next time.
TEST_F(Download, LyricsThatArriveMidTrackAreSungFromThePosition) {
    const std::string synced = "[ti:T]\n@SakuraScriptGhost=Nobody\n[00:00.10]over\n"
                               "[00:00.30]held\\_w[3700]rest \\![raise,OnX]\n[00:04.50]four\n"
                               "[00:05.00]five\n";
    server.answer("T", test::lrclib_slow(test::lrclib_found(synced), 600));
    new_track("A/B", "T");
    std::vector<test::Delivery> sent = test::wait_for_deliveries(3, 8000);
    ASSERT_EQ(sent.size(), 3u) << testing::PrintToString(test::delivered_scripts());
    std::string resumed = test::script_of(sent[0].bytes);
    EXPECT_EQ(resumed.find("held"), std::string::npos) << resumed;
    EXPECT_NE(resumed.find("rest \\\\![raise,OnX]\\e"), std::string::npos) << resumed;
    EXPECT_EQ(test::script_of(sent[1].bytes), R"(\0\s[25]four\e)");
    EXPECT_EQ(test::script_of(sent[2].bytes), R"(\0\s[25]five\e)");
    for (size_t i = 1; i < 3; ++i) {
        int32_t late = elapsed_since(sent[i].tick, start_tick) - (i == 1 ? 4500 : 5000);
        EXPECT_GE(late, -20) << i;
        EXPECT_LT(late, 500) << i;
    }

    ASSERT_EQ(server.requests().size(), 1u);
    const test::StandinRequest asked = server.requests()[0];
    EXPECT_EQ(asked.query.at("artist_name"), "A/B");
    EXPECT_EQ(asked.query.at("album_name"), "Album");
    EXPECT_EQ(asked.query.at("duration"), "61");
    EXPECT_EQ(asked.user_agent, "Lumivox/0.2.2 (https://lumivox.invalid/)");

    ASSERT_TRUE(wait_finished(1, 2000));
    const std::string lrc = "[ti:T]\n[00:00.10]over\n[00:00.30]held\\_w[3700]rest "
                            "\\\\![raise,OnX]\n[00:04.50]four\n[00:05.00]five\n";
    EXPECT_EQ(saved("A/B - T.lrc"), lrc);
    EXPECT_FALSE(std::filesystem::exists(profile.path() + "/lyrics/A/B - T.lrc.lumivox-part"));
    PlayerTurn turn;
    sync_stop();
    free_timeline();
    std::string track = "file://" + profile.path() + "/Song.mp3";
    EXPECT_EQ(find_lyrics_for_track("", default_options, track.c_str(), "T", "A/B"), 100);
}

TEST_F(Download, AnExistingFileIsNotReplaced) {
    std::filesystem::create_directories(profile.path() + "/lyrics");
    profile.write("lyrics/A - T.lrc", "mine\n");
    server.answer("T", test::lrclib_found("[00:01.50]one\n"));
    new_track("A", "T");
    EXPECT_EQ(test::wait_for_deliveries(1, 4000).size(), 1u);
    ASSERT_TRUE(wait_finished(1, 2000));
    EXPECT_EQ(saved("A - T.lrc"), "mine\n");
}

// Only "nothing to sing" is remembered: a failure is asked again.
TEST_F(Download, ATrackTheServerHasNothingForIsNotAskedAgain) {
    server.answer("instrumental", test::lrclib_instrumental());
    server.answer("plain", test::lrclib_plain_only());
    server.answer("broken", test::lrclib_malformed());
    server.answer("error", test::lrclib_server_error());
    const char* const tracks[] = {"missing", "instrumental", "plain", "broken", "error"};
    uint32_t done = 0;
    for (int round = 0; round < 2; ++round) {
        for (const char* track : tracks) {
            SCOPED_TRACE(std::string(track) + (round == 0 ? "" : " again"));
            new_track("A", track);
            bool again = std::string(track) == "broken" || std::string(track) == "error";
            if (round == 0 || again)
                ASSERT_TRUE(wait_finished(++done, 4000));
            else
                test::sleep_ms(300); // time enough for a request that should not be made
        }
    }
    std::vector<std::string> asked;
    for (const test::StandinRequest& r : server.requests())
        asked.push_back(r.query.at("track_name"));
    EXPECT_EQ(asked, (std::vector<std::string>{"missing", "instrumental", "plain", "broken",
                                               "error", "broken", "error"}));
    EXPECT_TRUE(test::delivered_scripts().empty());
    EXPECT_FALSE(std::filesystem::exists(profile.path() + "/lyrics"));
}

// (Wine's WinHTTP lets the cancelled request go only when its answer
// comes: the next track's lyrics then arrive a second later, still before
// their line.)
TEST_F(Download, ANewTrackCancelsWhatIsStillComing) {
    server.answer("slow", test::lrclib_slow(test::lrclib_found("[00:04.00]late\n"), 1500));
    server.answer("next", test::lrclib_found("[00:03.00]next\n"));
    new_track("A", "slow");
    ASSERT_TRUE(wait_asked(1, 8000)); // the slow answer is on its way
    new_track("A", "next");
    test::wait_for_deliveries(1, 8000);
    test::sleep_ms(1500);
    EXPECT_EQ(test::delivered_scripts(), std::vector<std::string>{R"(\0\s[25]next\e)"});
    // What was cancelled is asked again the next time.
    new_track("A", "slow");
    EXPECT_TRUE(wait_finished(3, 8000));
    EXPECT_EQ(server.requests().size(), 3u);
}

TEST_F(Download, NothingIsAskedUnlessTheSettingsWantIt) {
    server.answer("T", test::lrclib_found("[00:00.20]one\n"));
    struct Case {
        const char* name;
        uint32_t download;
        uint32_t options;
        const char* server;
        const char* artist;
    };
    const std::string url = server.url();
    const Case cases[] = {
        {"box unchecked", 0, default_options, url.c_str(), "A"},
        {".lrc files not allowed", 1, with_option(default_options, Option::lrc_allowed, false),
         url.c_str(), "A"},
        {"no server", 1, default_options, "", "A"},
        {"no artist", 1, default_options, url.c_str(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cfg_lyric_download = c.download;
        cfg_options = c.options;
        cfg_lrclib_server.set(c.server, whole_text);
        new_track(c.artist, "T");
    }
    test::sleep_ms(500);
    EXPECT_EQ(server.connections(), 0);
    EXPECT_EQ(finished(), 0u);
}

// Exit while the server is slow: the worker ends at once (on Windows as
// soon as WinHTTP lets the request go).
TEST_F(Download, ShutdownEndsASlowDownload) {
    server.answer("slow", test::lrclib_slow(test::lrclib_found("[00:00.20]late\n"), 5000));
    download_limits = {2000, 30000, 1024 * 1024};
    new_track("A", "slow");
    ASSERT_TRUE(wait_asked(1, 5000));
    auto begin = Clock::now();
    download_shutdown();
#ifdef _WIN32
    // Wine's WinHTTP lets the request go only when the server answers.
    EXPECT_LT(Clock::now() - begin, std::chrono::milliseconds(9000));
#else
    EXPECT_LT(Clock::now() - begin, std::chrono::milliseconds(1500));
#endif
    EXPECT_TRUE(test::delivered_scripts().empty());
}

} // namespace
} // namespace lumivox
