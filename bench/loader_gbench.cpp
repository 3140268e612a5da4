// The lyric loader on a 1 MiB file of about 20,000 lines, once in time order
// (one comparison per insertion) and once reversed (every insertion moves
// the whole table).
#include "sstp/request.h"
#include "timeline/loader.h"
#include "timeline/timeline.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace lumivox;

constexpr int line_count = 20000;
constexpr size_t file_size = 1u << 20;

// Lines of equal length ("[mm:ss.cc]" and a lyric) that fill 1 MiB.
std::vector<std::string> make_lines() {
    size_t line_length = file_size / line_count; // with its LF
    std::vector<std::string> lines;
    for (int i = 0; i < line_count; ++i) {
        int cs = (i + 1) * 25; // a line every 250 ms
        char tag[16];
        std::snprintf(tag, sizeof tag, "[%02d:%02d.%02d]", cs / 6000, cs / 100 % 60, cs % 100);
        std::string line = tag;
        line += "Lyric line " + std::to_string(i) + " ";
        line.resize(line_length - 1, 'a' + static_cast<char>(i % 26));
        lines.push_back(line + "\n");
    }
    return lines;
}

std::string write_file(const char* name, const std::vector<std::string>& lines, bool reversed) {
    auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (reversed) {
        for (auto it = lines.rbegin(); it != lines.rend(); ++it)
            out << *it;
    } else {
        for (const std::string& line : lines)
            out << line;
    }
    return path.string();
}

void load(benchmark::State& state, bool reversed) {
    std::string path = write_file(reversed ? "lumivox-bench-reversed.lrc" : "lumivox-bench.lrc",
                                  make_lines(), reversed);
    int32_t loaded = 0;
    for (auto _ : state) {
        current_trailer = trailer_utf8;
        loaded = load_lyric_file(path.c_str(), "\\0\\s[25]%ILYX\\e", 1);
        benchmark::DoNotOptimize(loaded);
        state.PauseTiming();
        free_timeline();
        state.ResumeTiming();
    }
    state.counters["entries"] = loaded;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}

void BM_LoadInOrder(benchmark::State& state) {
    load(state, false);
}
void BM_LoadReversed(benchmark::State& state) {
    load(state, true);
}

BENCHMARK(BM_LoadInOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadReversed)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
