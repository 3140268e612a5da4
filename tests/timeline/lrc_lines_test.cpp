// .lrc lines as they are written in the wild: a blank between the time tag
// and the text, lines that end in a lone CR, and blank timed lines that mark
// a pause. .ssl and .txt files keep their stricter rules.
#include "platform/syscalls.h"
#include "tests/timeline/loader_fixture.h"
#include "tests/timeline/lyric_files.h"
#include "timeline/load_report.h"
#include "timeline/loader.h"
#include "timeline/timeline.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox {
namespace {

using test::Entry;
using test::pause_at;

const LyricFormat lrc{true, true};
const LyricFormat ssl{};

std::vector<LineVerdict> verdicts;

void on_line(const char*, LineVerdict verdict) {
    verdicts.push_back(verdict);
}

const LoadObserver observer = {nullptr, &on_line, nullptr};

// Reads of the file give at most this many bytes (0: as many as asked).
uint32_t read_cap = 0;

int32_t capped_read(platform::FileHandle file, void* buffer, uint32_t n) {
    return platform::real_calls.file_read(file, buffer, read_cap != 0 ? std::min(n, read_cap) : n);
}

class LrcLines : public test::LoaderFixture {
  protected:
    std::vector<Entry> load(const std::string& bytes, LyricFormat format = lrc,
                            const LoadObserver* told = nullptr) {
        free_timeline();
        std::string path = folder.write("song.lrc", bytes);
        load_lyric_file(path.c_str(), "", format.lrc ? 1 : 0, format, told);
        return test::timeline_entries();
    }
};

TEST_F(LrcLines, BlanksAfterTheTagsAreNotTheText) {
    const struct {
        const char* name;
        std::string line;
        std::vector<Entry> expected;
    } cases[] = {
        {"a blank", "[00:09.80] 今日 死んでいくような", {{9800, false, "今日 死んでいくような"}}},
        {"several blanks", "[00:01.00]   a b  ", {{1000, false, "a b  "}}},
        {"a tab", "[00:01.00]\ta", {{1000, false, "a"}}},
        {"blanks and tabs", "[00:01.00] \t a", {{1000, false, "a"}}},
        {"after several tags", "[00:01.00][00:05.00] a", {{1000, false, "a"}, {5000, true, "a"}}},
        {"word stamps with blanks",
         "[00:04.286] chu <00:04.449> chu",
         {{4286, false, R"(chu \_w[163] chu)"}}},
        {"a credit line", "[00:00.000] 作词 : 山田", {{0, false, "作词 : 山田"}}},
        // A blank between two tags ends the tags: the rest is text.
        {"a blank between tags", "[00:01.00] [00:02.00]a", {{1000, false, "[00:02.00]a"}}},
        {"a control byte is no blank",
         "[00:01.00]\x01"
         "a",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(load(c.line + "\n"), c.expected);
    }
    // A .ssl file's text must start right after the tag, as ever.
    EXPECT_EQ(load("@SakuraScript=1\n[00:01.00] a\n[00:02.00]b\n", ssl),
              (std::vector<Entry>{{2000, false, "b"}}));
}

// A lone CR ends a line in .lrc syntax, wherever the reads fall; CR LF is one
// line end; a .ssl file keeps LF as its only line end.
TEST_F(LrcLines, LinesEndInLfCrLfOrALoneCr) {
    const std::vector<Entry> abc = {{1000, false, "a"}, {2000, false, "b"}, {3000, false, "c"}};
    std::string long_lines;
    std::vector<Entry> long_expected;
    for (int i = 1; i <= 30; ++i) {
        std::string lyric(200 + i, static_cast<char>('a' + i % 26));
        long_lines += "[" + std::to_string(i * 100) + "]" + lyric +
                      (i % 3 == 0   ? "\r"
                       : i % 3 == 1 ? "\r\n"
                                    : "\n");
        long_expected.push_back({i * 100, false, lyric});
    }
    const struct {
        const char* name;
        std::string file;
        std::vector<Entry> expected;
    } cases[] = {
        {"CR", "[1000]a\r[2000]b\r[3000]c\r", abc},
        {"CR, the last line without", "[1000]a\r[2000]b\r[3000]c", abc},
        {"mixed", "[ti:x]\r[1000]a\r\n\n[2000]b\n\r[3000]c\r\n", abc},
        {"CR CR LF", "[1000]a\r\r\n[2000]b\r\r\n[3000]c", abc},
        {"lines across the reads", long_lines, long_expected},
    };
    platform::replace_call(&platform::SystemCalls::file_read, &capped_read);
    for (uint32_t cap : {0u, 1u, 2u, 7u, 500u}) {
        read_cap = cap;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", reads of " + std::to_string(cap));
            EXPECT_EQ(load(c.file), c.expected);
        }
    }
    read_cap = 0;
    // The checker's line numbers count CR LF as one line end.
    verdicts.clear();
    load("[1000]a\r\n[ti:x]\r\r\n[2000]b", lrc, &observer);
    EXPECT_EQ(verdicts,
              (std::vector<LineVerdict>{LineVerdict::accepted, LineVerdict::tag_without_time,
                                        LineVerdict::blank, LineVerdict::accepted}));
    // In a .ssl file a lone CR is part of the line (shown as a space).
    EXPECT_EQ(load("@SakuraScript=1\n[1000]a\r[2000]b\n", ssl),
              (std::vector<Entry>{{1000, false, "a [2000]b"}}));
}

// A blank timed line ends the line before it; one where nothing is being
// sung, before the first line or right after another pause, does nothing
// and is left out, as is one at the very time of a line.
TEST_F(LrcLines, BlankTimedLinesArePauses) {
    const struct {
        const char* name;
        std::string file;
        std::vector<Entry> expected;
    } cases[] = {
        {"between lines",
         "[00:01.00]a\n[00:02.00]\n[00:03.00]b\n",
         {{1000, false, "a"}, pause_at(2000), {3000, false, "b"}}},
        {"blanks only",
         "[00:01.00]a\n[00:02.00]  \t\n[00:03.00]b\n",
         {{1000, false, "a"}, pause_at(2000), {3000, false, "b"}}},
        {"after the last line", "[00:01.00]a\n[00:02.00]\n", {{1000, false, "a"}, pause_at(2000)}},
        {"before the first line", "[00:00.00]\n[00:00.50]\n[00:01.00]a\n", {{1000, false, "a"}}},
        {"several in a row act once",
         "[00:01.00]a\n[00:02.00]\n[00:02.50]\n[00:03.00]\n",
         {{1000, false, "a"}, pause_at(2000)}},
        {"several tags",
         "[00:01.00]a\n[00:05.00]b\n[00:02.00][00:06.00]\n",
         {{1000, false, "a"}, pause_at(2000), {5000, false, "b"}, pause_at(6000)}},
        {"at a line's time",
         "[00:01.00]a\n[00:02.00]\n[00:02.00]b\n[00:03.00]\n",
         {{1000, false, "a"}, {2000, false, "b"}, pause_at(3000)}},
        {"out of order",
         "[00:03.00]\n[00:02.00]b\n[00:01.00]a\n",
         {{1000, false, "a"}, {2000, false, "b"}, pause_at(3000)}},
        {"pauses only", "[00:01.00]\n[00:02.00]\n", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(load(c.file), c.expected);
    }
    // A .ssl file has no pauses: such a line adds nothing.
    EXPECT_EQ(load("@SakuraScript=1\n[1000]a\n[2000]\n[3000]b\n", ssl),
              (std::vector<Entry>{{1000, false, "a"}, {3000, false, "b"}}));
}

} // namespace
} // namespace lumivox
