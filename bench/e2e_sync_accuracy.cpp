// Sync accuracy end to end: lumivox-host plays a Timeline of 220 lines 20-100
// ms apart to lumivox-ghost, which stamps every request it receives. The
// lateness of each line is measured against the moment the host's position
// report of 1.0 s fixed position 0 (its trace), plus the line's time.
//
// Runs the lane's programs like the end-to-end tests: LUMIVOX_E2E_BIN, and
// LUMIVOX_E2E_EMULATOR for the Windows lane under Wine.
#include "tests/e2e/processes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

using namespace lumivox::e2e;

int main() {
    std::string folder = make_temp_folder();
    write_file(folder + "/song.mp3", "x");
    std::vector<int> times;
    std::ostringstream lyric;
    unsigned seed = 12345;
    int t = 1500;
    for (int i = 0; i < 220; ++i) {
        times.push_back(t);
        char tag[32];
        std::snprintf(tag, sizeof tag, "[%02d:%02d.%03d]", t / 60000, t / 1000 % 60, t % 1000);
        lyric << tag << "Line " << i << "\n";
        seed = seed * 1103515245u + 12345u;
        t += 20 + static_cast<int>((seed >> 16) % 81);
    }
    write_file(folder + "/song.lrc", lyric.str());
    int seconds = t / 1000 + 2;

    Ghost ghost({"--quiet"});
    if (!ghost.ready()) {
        std::fprintf(stderr, "lumivox-ghost did not start\n");
        return 1;
    }
    Finished host = run_program("lumivox-host", {"--trace", "run", "-"},
                                "start\ntrack " + folder + "/song.mp3 title=T\nplay " +
                                    std::to_string(seconds) + "\nexit\n",
                                (seconds + 60) * 1000);
    ghost.stop();
    if (host.status != 0) {
        std::fprintf(stderr, "lumivox-host failed:\n%s\n", host.err.c_str());
        return 1;
    }
    size_t at = host.err.find(" host: time 1.0");
    if (at == std::string::npos) {
        std::fprintf(stderr, "no position report in the host's trace\n");
        return 1;
    }
    size_t line_start = host.err.rfind('\n', at);
    double zero =
        std::strtod(host.err.c_str() + (line_start == std::string::npos ? 0 : line_start + 1),
                    nullptr) -
        1000.0;

    std::vector<double> lateness;
    for (const Record& r : read_records(ghost.record_path())) {
        std::string script = r.script.value_or("");
        size_t p = script.find("Line ");
        if (p == std::string::npos)
            continue;
        int index = std::atoi(script.c_str() + p + 5);
        lateness.push_back(r.t_ms - (zero + times[static_cast<size_t>(index)]));
    }
    std::filesystem::remove_all(folder);
    if (lateness.size() != times.size()) {
        std::fprintf(stderr, "%zu of %zu lines arrived\n", lateness.size(), times.size());
        return 1;
    }
    double drift = lateness.back() - lateness.front();
    std::vector<double> sorted = lateness;
    std::sort(sorted.begin(), sorted.end());
    auto pct = [&](double p) { return sorted[static_cast<size_t>(p * (sorted.size() - 1))]; };
    std::printf("end-to-end sync accuracy (%s lane), %zu lines 20-100 ms apart:\n",
                lane().windows ? "windows" : "native", lateness.size());
    std::printf("  lateness p50 %.2f ms, p99 %.2f ms, max %.2f ms, min %.2f ms\n", pct(0.5),
                pct(0.99), sorted.back(), sorted.front());
    std::printf("  drift (last line minus first) %.2f ms\n", drift);
    return 0;
}
