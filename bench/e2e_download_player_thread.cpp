// How long the player's thread spends in the component per track while
// lyrics are downloaded: lumivox-host plays tracks with no lyrics on the
// machine, a stand-in LRCLIB server answers each after 0.2-2.5 s (found, not
// found, a failure, one slower than the time limit), and the host's trace
// gives the longest call it made into the component during each track. The
// same tracks with the download off give the figure to compare.
//
// Runs the lane's programs like the end-to-end tests: LUMIVOX_E2E_BIN, and
// LUMIVOX_E2E_EMULATOR for the Windows lane under Wine.
#include "tests/e2e/config_blob.h"
#include "tests/e2e/processes.h"
#include "tests/support/lrclib_standin.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace lumivox;
using namespace lumivox::e2e;

namespace {

std::vector<double> longest_calls(const std::string& err) {
    const std::string said = "longest call into the component: ";
    std::vector<double> calls;
    for (size_t at = err.find(said); at != std::string::npos; at = err.find(said, at + 1))
        calls.push_back(std::strtod(err.c_str() + at + said.size(), nullptr));
    return calls;
}

bool run(const std::string& folder, bool download, const std::string& server, int tracks) {
    std::string config = word_record(lyric_download_guid, download ? 1 : 0) +
                         text_record(lrclib_server_guid, server);
    write_file(folder + "/config.bin", config);
    std::filesystem::remove_all(folder + "/profile");
    std::filesystem::create_directories(folder + "/profile");
    std::string scenario = "start\n";
    for (int i = 0; i < tracks; ++i)
        scenario += "track " + folder + "/song.mp3 title=T" + std::to_string(i) +
                    " artist=A\nplay 3\nstop\n";
    scenario += "exit\n";
    Finished host = run_program("lumivox-host",
                                {"--trace", "--config", folder + "/config.bin", "--profile",
                                 folder + "/profile", "run", "-"},
                                scenario, (tracks * 3 + 60) * 1000);
    if (host.status != 0) {
        std::fprintf(stderr, "lumivox-host failed:\n%s\n", host.err.c_str());
        return false;
    }
    // One figure per track, then the exit's.
    std::vector<double> calls = longest_calls(host.err);
    if (calls.size() != static_cast<size_t>(tracks) + 1) {
        std::fprintf(stderr, "no timings in the host's trace\n");
        return false;
    }
    double exit = calls.back();
    calls.pop_back();
    std::sort(calls.begin(), calls.end());
    std::printf("download %-3s: longest call per track p50 %.3f ms, max %.3f ms (%d tracks); "
                "exit %.3f ms\n",
                download ? "on" : "off", calls[calls.size() / 2], calls.back(), tracks, exit);
    return true;
}

} // namespace

int main() {
    std::string folder = make_temp_folder();
    write_file(folder + "/song.mp3", "x");
    test::LrclibStandin server;
    const int tracks = 12;
    for (int i = 0; i < tracks; ++i) {
        std::string title = "T" + std::to_string(i);
        int delay = 200 + 200 * i;
        if (i % 4 == 1)
            server.answer(title, test::lrclib_slow(test::lrclib_not_found(), delay));
        else if (i % 4 == 2)
            server.answer(title, test::lrclib_slow(test::lrclib_server_error(), delay));
        else if (i == 11)
            server.answer(title, test::lrclib_slow(test::lrclib_found("[00:01.00]x\n"), 11000));
        else
            server.answer(title, test::lrclib_slow(test::lrclib_found("[00:00.10]Early\n"
                                                                      "[00:02.50]Late\n"),
                                                   delay));
    }
    Ghost ghost({"--quiet"});
    if (!ghost.ready()) {
        std::fprintf(stderr, "lumivox-ghost did not start\n");
        return 1;
    }
    bool ok = run(folder, false, server.url(), tracks) && run(folder, true, server.url(), tracks);
    ghost.stop();
    std::filesystem::remove_all(folder);
    return ok ? 0 : 1;
}
