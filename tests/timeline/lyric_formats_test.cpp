// Lyric files as users have them: .lrc offsets and word timing, UTF-16
// files, and lyrics held in memory.
#include "component/settings.h"
#include "platform/syscalls.h"
#include "sstp/request.h"
#include "tests/support/recording_transport.h"
#include "tests/support/utf16_text.h"
#include "tests/timeline/loader_fixture.h"
#include "tests/timeline/lyric_files.h"
#include "timeline/loader.h"
#include "timeline/timeline.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox {
namespace {

using test::Entry;

using test::default_template;
using test::lrc;
using test::plain;
using test::trailer_name;
using test::txt_default;
using test::wrap;

using test::utf16_file;
using test::utf16_units;

const std::string sakura_utf8 = "\xe3\x81\x95\xe3\x81\x8f\xe3\x82\x89"; // さくら
const std::string note = "\xf0\x9f\x8e\xb5"; // U+1F3B5, a surrogate pair in UTF-16
const std::string replacement = "\xef\xbf\xbd";

// Reads of the file give at most this many bytes (0: as many as asked).
uint32_t read_cap = 0;

int32_t capped_read(platform::FileHandle file, void* buffer, uint32_t n) {
    return platform::real_calls.file_read(file, buffer, read_cap != 0 ? std::min(n, read_cap) : n);
}

class LyricFormatsTest : public test::LoaderFixture {
  protected:
    int32_t load(const std::string& bytes, LyricFormat format, int32_t script_default = 1,
                 const char* template_text = "") {
        free_timeline();
        std::string path = folder.write("song.lyric", bytes);
        return load_lyric_file(path.c_str(), template_text, script_default, format);
    }
    static std::vector<int32_t> times() {
        std::vector<int32_t> result;
        for (const Entry& e : test::timeline_entries())
            result.push_back(e.time);
        return result;
    }
};

// A positive offset makes lines come earlier; it adds to the directive's
// wherever either stands; only .lrc syntax reads it.
TEST_F(LyricFormatsTest, LrcOffsetMovesEveryLine) {
    struct Case {
        std::string file;
        LyricFormat format;
        std::vector<int32_t> times;
    };
    const std::string line = "[00:10.00]a\n[00:30.00]b\n";
    const Case cases[] = {
        {"[offset:+500]\n" + line, lrc, {9500, 29500}},
        {"[offset:-250]\n" + line, lrc, {10250, 30250}},
        {"[offset:300]\n" + line, lrc, {9700, 29700}},
        {line + "[offset:500]\n", lrc, {9500, 29500}},
        {"[OFFSET: -100 ]\n" + line, lrc, {10100, 30100}},
        {"[offset:100]\n[offset:200]\n" + line, lrc, {9800, 29800}},
        {"[offset:500]\n@SakuraScriptOffset=2000\n" + line, lrc, {11500, 31500}},
        {line + "@SakuraScriptOffset=-1000\n[offset:-250]\n", lrc, {9250, 29250}},
        // Earlier than the start: the first line at 0, as for any offset.
        {"[offset:20000]\n" + line, lrc, {0, 10000}},
        {"[offset:abc]\n" + line, lrc, {10000, 30000}},
        {"[offset:]\n" + line, lrc, {10000, 30000}},
        {"[offset:500\n" + line, lrc, {10000, 30000}},
        {"[offset:5.5]\n" + line, lrc, {10000, 30000}},
        {"[offset:++5]\n" + line, lrc, {10000, 30000}},
        {"[offset:99999999999]\n" + line, lrc, {10000, 30000}},
        // Elsewhere the line stays a tag without a time.
        {"@SakuraScript=1\n[offset:500]\n" + line, plain, {10000, 30000}},
        {"@SakuraScript=1\n[offset:500]\n" + line, txt_default, {10000, 30000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        load(c.file, c.format);
        EXPECT_EQ(times(), c.times);
    }
}

// Word stamps become waits from the stamp before; the pieces of text between
// them are filtered each on its own, so a wait never joins a tag of the
// lyric's, and the lyric's own tags are kept or shown as text as always.
TEST_F(LyricFormatsTest, WordStampsBecomeWaits) {
    struct Case {
        const char* name;
        std::string line;
        std::string filtered; // "" when the line gives no entry
        std::string trusted;
    };
    const Case cases[] = {
        {"the example", "[00:12.00]<00:12.00>Twin<00:12.40>kle <00:12.90>twin<00:13.30>kle",
         R"(Twin\_w[400]kle \_w[500]twin\_w[400]kle)",
         R"(Twin\_w[400]kle \_w[500]twin\_w[400]kle)"},
        {"first stamp after the line's time", "[00:12.00]<00:12.50>Hi", R"(\_w[500]Hi)",
         R"(\_w[500]Hi)"},
        {"text before the first stamp", "[00:12.00]Hi <00:12.50>there", R"(Hi \_w[500]there)",
         R"(Hi \_w[500]there)"},
        {"every stamp form", "[00:12.00]a<00:13>b<00:13.5>c<00:13.750>d<1:00.001>e",
         R"(a\_w[1000]b\_w[500]c\_w[250]d\_w[46251]e)",
         R"(a\_w[1000]b\_w[500]c\_w[250]d\_w[46251]e)"},
        {"equal stamps", "[00:12.00]a<00:12.50>b<00:12.50>c", R"(a\_w[500]bc)", R"(a\_w[500]bc)"},
        {"a stamp earlier than the one before", "[00:12.00]a<00:12.50>b<00:12.20>c<00:12.60>d",
         R"(a\_w[500]bc\_w[400]d)", R"(a\_w[500]bc\_w[400]d)"},
        {"first stamp before the line's time", "[00:12.00]a<00:11.00>b<00:12.50>c",
         R"(ab\_w[1500]c)", R"(ab\_w[1500]c)"},
        {"stamp at the end", "[00:12.00]a<00:12.50>", R"(a\_w[500])", R"(a\_w[500])"},
        {"malformed stamps stay text", "[00:12.00]a<00:1>b<1:2.3>c<00:12.50 d<x><><0012.50>",
         "a<00:1>b<1:2.3>c<00:12.50 d<x><><0012.50>", "a<00:1>b<1:2.3>c<00:12.50 d<x><><0012.50>"},
        {"a stray < before a stamp", "[00:12.00]a<b<00:12.50>c", R"(a<b\_w[500]c)",
         R"(a<b\_w[500]c)"},
        // The lyric's backslash does not take the wait for its tag.
        {"backslash before a stamp", R"([00:12.00]a\<00:12.50>n)", R"(a\\\_w[500]n)",
         R"(a\ \_w[500]n)"},
        {"backslash before a stamp that waits nothing", R"([00:12.00]a\<00:12.00>n)", R"(a\\n)",
         R"(a\ n)"},
        {"a tag cut by a stamp", R"([00:12.00]\![ra<00:12.50>ise,OnX])",
         R"(\\![ra\_w[500]ise,OnX])", R"(\![ra\_w[500]ise,OnX])"},
        {"the lyric's own tags", R"([00:12.00]\1a\_w[100]b<00:12.50>\![open]c)",
         R"(\1a\_w[100]b\_w[500]\\![open]c)", R"(\1a\_w[100]b\_w[500]\![open]c)"},
        {"nothing but stamps", "[00:12.00]<00:12.00><00:12.50>", "", ""},
    };
    for (bool trusted : {false, true}) {
        trust_lyric_scripts(trusted);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (trusted ? ", trusted" : ", filtered"));
            const std::string& lyric = trusted ? c.trusted : c.filtered;
            std::vector<Entry> expected;
            if (!lyric.empty())
                expected.push_back({12000, false, wrap(lyric)});
            load(c.line + "\n", lrc, 1, default_template);
            EXPECT_EQ(test::timeline_entries(), expected);
        }
    }
}

TEST_F(LyricFormatsTest, WordStampsCountFromTheLinesFirstTag) {
    // A chorus sung twice shares one text; an offset moves the line, not
    // its waits.
    load("[offset:1000]\n[00:12.00][01:12.00]<00:12.00>La<00:12.50>la\n", lrc, 1, default_template);
    const std::string text = wrap(R"(La\_w[500]la)");
    EXPECT_EQ(test::timeline_entries(),
              (std::vector<Entry>{{11000, false, text}, {71000, true, text}}));

    // Outside .lrc syntax a stamp is text.
    load("@SakuraScript=1\n[00:12.00]a<00:12.50>b\n", plain, 0, default_template);
    EXPECT_EQ(test::timeline_entries(), (std::vector<Entry>{{12000, false, wrap("a<00:12.50>b")}}));

    // In Shift_JIS a "<" after a lead byte is that character's second byte.
    load("@SakuraScriptCharset=Shift_JIS\n[00:12.00]\x95<00:12.50>x\n", lrc, 1, default_template);
    EXPECT_EQ(test::timeline_entries(),
              (std::vector<Entry>{{12000, false, wrap("\x95<00:12.50>x")}}));
}

// UTF-16 files read as UTF-8 in both passes and are sent so, whatever
// charset they name; their ghost's name is looked for in UTF-8 too.
TEST_F(LyricFormatsTest, Utf16FilesReadAsUtf8) {
    const std::string key = std::string(".name\x01", 6);
    const std::string file = "@SakuraScript=1\r\n@SakuraScriptCharset=Shift_JIS\r\n"
                             "@SakuraScriptGhost=" +
                             sakura_utf8 + "\r\n[00:01.00]" + sakura_utf8 + " " + note +
                             "\r\n[00:02.00]b";
    for (bool big_endian : {false, true}) {
        for (const CharsetTrailer* start : {trailer_utf8, trailer_plain, trailer_shift_jis}) {
            SCOPED_TRACE(std::string(big_endian ? "BE" : "LE") + " from " + trailer_name(start));
            test::use_recording_transport();
            current_trailer = start;
            ASSERT_EQ(load(utf16_file(file, big_endian), plain, 0), 2);
            EXPECT_EQ(
                test::timeline_entries(),
                (std::vector<Entry>{{1000, false, sakura_utf8 + " " + note}, {2000, false, "b"}}));
            EXPECT_EQ(current_trailer, trailer_utf8);
            EXPECT_EQ(test::probes(), std::vector<std::string>{key + sakura_utf8 + "\r"});
        }
    }

    // Surrogates without their partner, and an odd last byte, read as U+FFFD.
    struct Case {
        const char* name;
        std::vector<uint16_t> lyric;
        std::string odd_tail;
        std::string expected;
    };
    const Case cases[] = {
        {"high surrogate before a letter", {'a', 0xD83C, 'b'}, "", "a" + replacement + "b"},
        {"low surrogate alone", {'a', 0xDFB5, 'b'}, "", "a" + replacement + "b"},
        {"two high surrogates", {0xD83C, 0xD83C, 0xDFB5}, "", replacement + note},
        {"high surrogate at the end", {'a', 0xD83C}, "", "a" + replacement},
        {"odd last byte", {'a'}, "b", "a" + replacement},
    };
    for (bool big_endian : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (big_endian ? ", BE" : ", LE"));
            std::vector<uint16_t> code_units = {0xFEFF, '[', '1', '0', '0', '0', ']'};
            code_units.insert(code_units.end(), c.lyric.begin(), c.lyric.end());
            ASSERT_EQ(load(utf16_units(code_units, big_endian) + c.odd_tail, lrc), 1);
            EXPECT_EQ(test::timeline_entries(), (std::vector<Entry>{{1000, false, c.expected}}));
        }
    }
}

// However the file's reads fall (a surrogate pair or a three-byte character
// cut between them), a UTF-16 file loads as its UTF-8 twin; a line too long
// for the buffer once converted is skipped in both passes alike.
TEST_F(LyricFormatsTest, Utf16ReadsInAnyPieces) {
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "[" + std::to_string(1000 + 10 * i) + "]" + note + sakura_utf8 + "x" + note + "\n";
    text += "[5000]" + std::string(1400, 'a') + sakura_utf8 + std::string(1400, 'a') + "\n";
    text += "[6000]" + std::string(4000, 'a') + "\n";               // 4,006 bytes in UTF-8: read
    text += "[7000]" + sakura_utf8 + std::string(4090, 'a') + "\n"; // too long once converted
    text += "[8000]end";
    ASSERT_GT(load(text, lrc), 0);
    const std::vector<Entry> expected = test::timeline_entries();
    ASSERT_EQ(expected.size(), 303u);
    EXPECT_EQ(expected.back().text, "end");

    platform::replace_call(&platform::SystemCalls::file_read, &capped_read);
    for (uint32_t cap : {1u, 2u, 3u, 5u, 7u, 4095u}) {
        for (bool big_endian : {false, true}) {
            SCOPED_TRACE(std::to_string(cap) + (big_endian ? " BE" : " LE"));
            read_cap = cap;
            EXPECT_EQ(load(utf16_file(text, big_endian), lrc), 303);
            EXPECT_EQ(test::timeline_entries(), expected);
        }
    }
    read_cap = 0;
}

// Lyrics held in memory load as an .lrc file does, through the same passes,
// whatever ends their lines.
TEST_F(LyricFormatsTest, LyricTextInMemory) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<Entry> expected;
    };
    const std::vector<Entry> ab = {{1000, false, wrap("a")}, {2000, false, wrap("b")}};
    std::string long_lines;
    std::vector<Entry> long_expected;
    for (int i = 1; i <= 40; ++i) {
        std::string lyric(300, static_cast<char>('a' + i % 26));
        long_lines += "[" + std::to_string(i * 100) + "]" + lyric + (i % 2 ? "\r" : "\r\n");
        long_expected.push_back({i * 100, false, wrap(lyric)});
    }
    const Case cases[] = {
        {"LF", "[1000]a\n[2000]b\n", ab},
        {"CR LF", "[1000]a\r\n[2000]b\r\n", ab},
        {"CR", "[1000]a\r[2000]b\r", ab},
        {"mixed, last line without an end", "[ti:x]\r[1000]a\r\n\r\n\r[2000]b", ab},
        {"lines across the reads", long_lines, long_expected},
        {".lrc syntax",
         "[offset:500]\r[00:01.50]<00:01.50>a<00:02.00>b\r",
         {{1000, false, wrap(R"(a\_w[500]b)")}}},
        {"filtered", R"([1000]\![open,x])", {{1000, false, wrap(R"(\\![open,x])")}}},
        {"a NUL ends its line's text", std::string("[1000]a\0x\r[2000]b", 17), ab},
        {"no time-tagged line", "plain words\rmore words", {}},
        {"declines as a file does", "@SakuraScript=0\n[1000]a\n", {}},
        {"UTF-8 whatever it names", "@SakuraScriptCharset=Shift_JIS\n[1000]a\n[2000]b", ab},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        free_timeline();
        current_trailer = trailer_shift_jis;
        int32_t loaded = load_lyric_text(c.text.data(), c.text.size(), default_template);
        EXPECT_EQ(loaded, static_cast<int32_t>(c.expected.size()));
        EXPECT_EQ(test::timeline_entries(), c.expected);
        EXPECT_EQ(current_trailer, trailer_utf8);
        if (c.expected.empty()) {
            EXPECT_EQ(template_prefix, nullptr);
        }
    }
    // Only the given length is read: the bytes behind it are not the text's.
    free_timeline();
    const std::string text = "[1000]a\n[2000]b";
    ASSERT_EQ(load_lyric_text(text.data(), 9, ""), 1);
    EXPECT_EQ(test::timeline_entries(), (std::vector<Entry>{{1000, false, "a"}}));
}

} // namespace
} // namespace lumivox
