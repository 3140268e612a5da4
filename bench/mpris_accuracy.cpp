// Sync accuracy against a real player: lumivox-mpris follows mpv over MPRIS
// while mpv plays two generated 30-second tracks with a lyric line every
// 300-700 ms, seeking once and pausing once in each; lumivox-ghost stamps
// every request it receives. A line's lateness is its arrival less the moment
// mpv's own position passed the line's time, the position being sampled
// through mpv's IPC socket every 10 ms. Two runs: the files on mpv's command
// line (its MPRIS plugin says Playing), and the files loaded into an idle
// mpv (the plugin names each track twice and may keep saying Stopped).
//
// It needs port 9801 and a session bus of its own: it runs itself under
// dbus-run-session. LUMIVOX_E2E_BIN names the native lane's programs.
#include "tests/e2e/processes.h"
#include "tests/mpris/child.h"
#include "tests/mpris/mpv.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace lumivox;
using mpris_test::Mpv;
using mpris_test::Sample;

namespace {

const double track_seconds = 30;

struct Line {
    int entry;
    double seconds;
};

// The lyric file of track `entry`, and each line's script as the ghost gets it.
std::string lyrics(int entry, std::map<std::string, Line>& due) {
    std::ostringstream text;
    unsigned seed = 12345u + static_cast<unsigned>(entry);
    for (int ms = 1000, i = 0; ms < (track_seconds - 1) * 1000; ++i) {
        char tag[32];
        std::snprintf(tag, sizeof tag, "[%02d:%02d.%03d]", ms / 60000, ms / 1000 % 60, ms % 1000);
        std::string name = "L" + std::to_string(entry) + "-" + std::to_string(i);
        text << tag << name << "\n";
        due["\\0\\s[25]" + name + "\\e"] = {entry, ms / 1000.0};
        seed = seed * 1103515245u + 12345u;
        ms += 300 + static_cast<int>((seed >> 16) % 401);
    }
    return text.str();
}

auto at(int entry, double seconds) {
    return [=](const Sample& s) { return s.entry == entry && s.position >= seconds; };
}

// One track's seek over 10-15 s and a pause of one second after 20 s, 150 ms
// after a line: a line the pause cuts off is sung after the resume.
bool seek_and_pause(Mpv& mpv, int entry, const std::map<std::string, Line>& due) {
    if (!mpv.wait_for(at(entry, 10), 60000))
        return false;
    mpv.command({"seek", 15, "absolute"});
    double pause_at = track_seconds;
    for (const auto& [script, line] : due) {
        if (line.entry == entry && line.seconds >= 20)
            pause_at = std::min(pause_at, line.seconds + 0.15);
    }
    if (!mpv.wait_for(at(entry, pause_at), 60000))
        return false;
    mpv.set_paused(true);
    mpv.watch(1000);
    mpv.set_paused(false);
    return true;
}

double percentile(const std::vector<double>& sorted, double q) {
    size_t rank = static_cast<size_t>(std::ceil(q * static_cast<double>(sorted.size())));
    return sorted[std::min(sorted.size() - 1, rank == 0 ? 0 : rank - 1)];
}

int run(bool loaded) {
    std::string folder = e2e::make_temp_folder();
    std::map<std::string, Line> due;
    std::vector<std::string> files;
    for (int entry = 0; entry < 2; ++entry) {
        std::string base = folder + "/track" + std::to_string(entry);
        mpris_test::write_wav(base + ".wav", track_seconds, "Track " + std::to_string(entry),
                              "Bench");
        e2e::write_file(base + ".lrc", lyrics(entry, due));
        files.push_back(base + ".wav");
    }
    e2e::Ghost ghost({"--quiet"});
    if (!ghost.ready()) {
        std::fprintf(stderr, "lumivox-ghost did not start\n");
        return 1;
    }
    std::string log = folder + "/mpris.log";
    mpris_test::Child mpris({mpris_test::lane_program("lumivox-mpris"), "--trace", "--config",
                             folder + "/settings.bin", "--player", "mpv"},
                            log);
    for (int i = 0; i < 500 && e2e::read_records(ghost.record_path()).empty(); ++i)
        usleep(20000);

    bool played = false;
    {
        Mpv mpv(folder, loaded ? std::vector<std::string>{} : files);
        if (loaded && mpv.ready() && mpv.wait_for_bus()) {
            mpv.command({"loadfile", files[0]});
            mpv.command({"loadfile", files[1], "append"});
        }
        played = mpv.ready() && seek_and_pause(mpv, 0, due) && seek_and_pause(mpv, 1, due) &&
                 mpv.wait_for(at(1, track_seconds - 0.5), 60000);
        mpv.watch(1000);
        mpris.signal(SIGTERM);
        mpris.wait(15000);
        ghost.stop();

        std::vector<double> late;
        size_t unseen = 0;
        for (const e2e::Record& r : e2e::read_records(ghost.record_path())) {
            auto line = due.find(r.script.value_or(""));
            if (line == due.end())
                continue;
            auto passed =
                mpris_test::passing_time(mpv.samples(), line->second.entry, line->second.seconds);
            if (passed)
                late.push_back(r.t_ms - *passed);
            else
                ++unseen;
        }
        std::sort(late.begin(), late.end());
        std::printf("%s: %zu lines",
                    loaded ? "files loaded into an idle mpv" : "files on mpv's command line",
                    late.size());
        if (!late.empty())
            std::printf(", lateness p50 %.1f ms, p99 %.1f ms, min %.1f ms, max %.1f ms",
                        percentile(late, 0.5), percentile(late, 0.99), late.front(), late.back());
        std::printf("%s\n", unseen != 0 ? ", some lines mpv was not seen passing" : "");
    }
    if (!played)
        std::fprintf(stderr, "mpv did not play as planned; lumivox-mpris said:\n%s\n",
                     mpris_test::read_file(log).c_str());
    std::filesystem::remove_all(folder);
    return played ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("LUMIVOX_BENCH_OWN_BUS") == nullptr) {
        setenv("LUMIVOX_BENCH_OWN_BUS", "1", 1);
        std::vector<char*> again = {const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
        again.insert(again.end(), argv, argv + argc);
        again.push_back(nullptr);
        execvp(again[0], again.data());
        std::perror("dbus-run-session");
        return 1;
    }
    int status = run(false);
    return run(true) != 0 ? 1 : status;
}
