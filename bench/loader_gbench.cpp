// The lyric loader on files that stress it, each read as an .lrc file is
// (its syntax, and its charset judged when it is not UTF-8):
// - 1 MiB of about 20,000 lines, once in time order and once reversed;
// - 1 MiB of 20,000 Chinese lines in GBK and of Japanese lines in Shift_JIS,
//   judged and converted to UTF-8;
// - 90,000 tags in descending order (about 1.8 MB), which cost a quadratic
//   number of moves while entries were inserted one at a time;
// - 16 MiB of content of four kinds: random bytes, the shortest lines that
//   give an entry each (descending), lines of many tags each (descending), and
//   lines that the script filter doubles past what a request holds.
// Each case also reports the process's peak resident memory: run one case
// alone (--benchmark_filter) to read it for that case.
#include "sstp/request.h"
#include "timeline/loader.h"
#include "timeline/timeline.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using namespace lumivox;

constexpr int line_count = 20000;
constexpr size_t file_size = 1u << 20;
constexpr size_t big_file_size = 16u << 20;

std::string time_tag(int32_t ms) {
    char tag[24];
    int32_t cs = ms / 10;
    std::snprintf(tag, sizeof tag, "[%02d:%02d.%02d]", cs / 6000, cs / 100 % 60, cs % 100);
    return tag;
}

// Lines of equal length ("[mm:ss.cc]" and a lyric) that fill 1 MiB.
std::vector<std::string> make_lines() {
    size_t line_length = file_size / line_count; // with its LF
    std::vector<std::string> lines;
    for (int i = 0; i < line_count; ++i) {
        std::string line = time_tag((i + 1) * 250); // a line every 250 ms
        line += "Lyric line " + std::to_string(i) + " ";
        line.resize(line_length - 1, 'a' + static_cast<char>(i % 26));
        lines.push_back(line + "\n");
    }
    return lines;
}

// Lines of the same few characters after the tag, filling 1 MiB: GB2312
// level 1 hanzi, or Shift_JIS hiragana and level 1 kanji.
std::string double_byte_lines(const char* pair_bytes) {
    size_t line_length = file_size / line_count; // with its LF
    std::string out;
    for (int i = 0; i < line_count; ++i) {
        std::string line = time_tag((i + 1) * 250);
        while (line.size() + std::strlen(pair_bytes) < line_length)
            line += pair_bytes;
        line.resize(line_length - 1, ' ');
        out += line + "\n";
    }
    return out;
}

std::string join(const std::vector<std::string>& lines, bool reversed) {
    std::string out;
    if (reversed) {
        for (auto it = lines.rbegin(); it != lines.rend(); ++it)
            out += *it;
    } else {
        for (const std::string& line : lines)
            out += line;
    }
    return out;
}

std::string descending_tags() {
    std::string out;
    for (int i = 90000; i > 0; --i)
        out += time_tag(i * 10) + "Line " + std::to_string(i) + "\n";
    return out;
}

uint32_t next_random(uint32_t& state) {
    state = state * 1103515245u + 12345u;
    return state >> 8;
}

std::string random_bytes() {
    std::string out(big_file_size, '\0');
    uint32_t state = 1;
    for (char& c : out)
        c = static_cast<char>(next_random(state));
    return out;
}

// "[n]a" lines, the fewest bytes per entry, in descending order.
std::string short_lines() {
    std::string out;
    for (int32_t ms = 9999999; out.size() < big_file_size; --ms)
        out += "[" + std::to_string(ms) + "]a\n";
    return out;
}

// Lines of 300 tags each (within the 4,094 bytes a line may hold), every tag
// earlier than the one before.
std::string many_tags() {
    std::string out;
    int32_t ms = 1 << 30;
    while (out.size() < big_file_size) {
        for (int i = 0; i < 300; ++i, ms -= 3)
            out += "[" + std::to_string(ms) + "]";
        out += "x\n";
    }
    return out;
}

// Lines of 4,000 bytes that the filter makes 6,000, each cut to a request.
std::string doubled_lines() {
    std::string line = "[1000]";
    for (int i = 0; i < 2000; ++i)
        line += "\\x";
    line += "\n";
    std::string out;
    while (out.size() < big_file_size)
        out += line;
    return out;
}

std::string write_file(const char* name, const std::string& bytes) {
    auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

double peak_rss_mib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB
}

void load(benchmark::State& state, const char* name, const std::string& bytes) {
    std::string path = write_file(name, bytes);
    int32_t loaded = 0;
    for (auto _ : state) {
        current_trailer = trailer_utf8;
        loaded = load_lyric_file(path.c_str(), "\\0\\s[25]%ILYX\\e", 1, LyricFormat{true, true});
        benchmark::DoNotOptimize(loaded);
        state.PauseTiming();
        free_timeline();
        state.ResumeTiming();
    }
    state.counters["entries"] = loaded;
    state.counters["file_MiB"] = static_cast<double>(bytes.size()) / (1 << 20);
    state.counters["peak_rss_MiB"] = peak_rss_mib();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(bytes.size()));
    std::filesystem::remove(path);
}

void BM_LoadInOrder(benchmark::State& state) {
    load(state, "lumivox-bench.lrc", join(make_lines(), false));
}
void BM_LoadReversed(benchmark::State& state) {
    load(state, "lumivox-bench-reversed.lrc", join(make_lines(), true));
}
void BM_Load1MiBGbk(benchmark::State& state) {
    // 中文歌词
    load(state, "lumivox-bench-gbk.lrc", double_byte_lines("\xd6\xd0\xce\xc4\xb8\xe8\xb4\xca"));
}
void BM_Load1MiBShiftJis(benchmark::State& state) {
    // 君の歌
    load(state, "lumivox-bench-sjis.lrc", double_byte_lines("\x8c\x4e\x82\xcc\x89\xcc"));
}
void BM_Load90000DescendingTags(benchmark::State& state) {
    load(state, "lumivox-bench-descending.lrc", descending_tags());
}
void BM_Load16MiBRandomBytes(benchmark::State& state) {
    load(state, "lumivox-bench-random.lrc", random_bytes());
}
void BM_Load16MiBShortLines(benchmark::State& state) {
    load(state, "lumivox-bench-short.lrc", short_lines());
}
void BM_Load16MiBManyTags(benchmark::State& state) {
    load(state, "lumivox-bench-tags.lrc", many_tags());
}
void BM_Load16MiBDoubledLines(benchmark::State& state) {
    load(state, "lumivox-bench-doubled.lrc", doubled_lines());
}

BENCHMARK(BM_LoadInOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadReversed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load1MiBGbk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load1MiBShiftJis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load90000DescendingTags)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load16MiBRandomBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load16MiBShortLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load16MiBManyTags)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load16MiBDoubledLines)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
