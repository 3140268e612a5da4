// Thousands of tracks in one host process, with seeks and pauses between
// them: nothing may leak (the sanitizer lane runs this with LeakSanitizer in
// the host and the component), no thread or handle may be left behind, and
// no line may be sent after its track was stopped.
#include "tests/e2e/processes.h"
#include "tests/support/default_scripts.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace lumivox::e2e {
namespace {

using test::reset;

int soak_tracks() {
    const char* n = std::getenv("LUMIVOX_SOAK_TRACKS");
    return n != nullptr ? std::atoi(n) : 10000;
}

// "threads N, handles M" after the given trace words.
std::pair<int, int> resources_after(const std::string& err, const std::string& words) {
    size_t at = err.find(words);
    if (at == std::string::npos)
        return {-1, -1};
    at = err.find("threads ", at);
    int threads = std::atoi(err.c_str() + at + 8);
    int handles = std::atoi(err.c_str() + err.find("handles ", at) + 8);
    return {threads, handles};
}

TEST(Soak, TenThousandTracksLeaveNothingBehind) {
    std::string folder = make_temp_folder();
    write_file(folder + "/song.mp3", "x");
    write_file(folder + "/song.lrc", "[00:00.00]One\n[00:00.10]Two\n[00:00.20]Three\n");
    int tracks = soak_tracks();
    std::ostringstream scenario;
    scenario << "start\n";
    for (int i = 0; i < tracks; ++i) {
        // Paused, so that every track is announced with its own title.
        scenario << "track " << folder << "/song.mp3 title=T" << i << " paused\nresume\ntime 0\n";
        scenario << (i % 2 == 0 ? "seek 0.15\ntime 0.15\n" : "pause\nresume\ntime 0.05\n");
        scenario << "stop\n";
    }
    scenario << "exit\n";

    Ghost ghost;
    ASSERT_TRUE(ghost.ready());
    Finished host = run_program("lumivox-host", {"--trace", "run", "-"}, scenario.str(), 1800000);
    ghost.stop();
    ASSERT_EQ(host.status, 0) << host.err.substr(host.err.size() > 4000 ? host.err.size() - 4000
                                                                        : 0);
    EXPECT_EQ(host.err.find("did not give back"), std::string::npos);

    auto before = resources_after(host.err, "resources before loading");
    auto after = resources_after(host.err, "unloaded; resources");
    EXPECT_EQ(after.first, before.first) << "threads left behind";
    // Loading and unloading may keep a few handles (Wine's), never one a track.
    EXPECT_LT(after.second - before.second, 10) << "handles left behind";

    // Each track ends with its stop's reset script: whatever comes between
    // that and the next track's announcement would be a request after a stop.
    auto records = read_records(ghost.record_path());
    int announcements = 0;
    int lines = 0;
    std::string previous;
    for (const Record& r : records) {
        std::string script = r.script.value_or("");
        bool announcement = script.find("Next song is") != std::string::npos;
        bool exit_script = script.find("is exiting") != std::string::npos;
        if ((announcement && announcements > 0) || exit_script) {
            EXPECT_EQ(previous, reset) << "a request after the stop of track " << announcements;
        }
        announcements += announcement ? 1 : 0;
        lines += script.rfind("\\0\\s[25]", 0) == 0 ? 1 : 0;
        previous = script;
    }
    // How many lines a track gets before its stop depends on the machine.
    EXPECT_GT(lines, 0);
    EXPECT_EQ(announcements, tracks);
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace lumivox::e2e
