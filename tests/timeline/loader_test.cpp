#include "timeline/loader.h"

#include "component/settings.h"
#include "platform/syscalls.h"
#include "sstp/request.h"
#include "tests/support/recording_transport.h"
#include "tests/timeline/loader_fixture.h"
#include "tests/timeline/lyric_files.h"
#include "timeline/script_filter.h"
#include "timeline/timeline.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace lumivox {
namespace {

using test::Entry;

using test::default_template;
using test::wrap;

// Faults put into the loader's file calls. The first pass reads until the
// rewind, the second after it.
struct FileFault {
    bool rewind_fails;
    int pass; // the pass one of whose reads fails: 1, 2, or 0 for none
    int read; // which read of that pass fails, from 1
};

FileFault fault{};
int pass = 0;
int reads_in_pass = 0;
int opens = 0;
int closes = 0;

platform::FileHandle open_counted(const char* path) {
    platform::FileHandle file = platform::real_calls.file_open(path);
    if (file != platform::no_file)
        ++opens;
    pass = 1;
    reads_in_pass = 0;
    return file;
}

int32_t read_or_fail(platform::FileHandle file, void* buffer, uint32_t n) {
    ++reads_in_pass;
    if (pass == fault.pass && reads_in_pass == fault.read)
        return -1;
    return platform::real_calls.file_read(file, buffer, n);
}

bool rewind_or_fail(platform::FileHandle file) {
    if (fault.rewind_fails)
        return false;
    pass = 2;
    reads_in_pass = 0;
    return platform::real_calls.file_rewind(file);
}

void close_counted(platform::FileHandle file) {
    ++closes;
    platform::real_calls.file_close(file);
}

void inject(const FileFault& f) {
    fault = f;
    opens = 0;
    closes = 0;
    platform::replace_call(&platform::SystemCalls::file_open, &open_counted);
    platform::replace_call(&platform::SystemCalls::file_read, &read_or_fail);
    platform::replace_call(&platform::SystemCalls::file_rewind, &rewind_or_fail);
    platform::replace_call(&platform::SystemCalls::file_close, &close_counted);
}

class LoaderTest : public test::LoaderFixture {
  protected:
    int32_t load(const std::string& bytes, int32_t script_default = 1,
                 const char* template_text = "") {
        return load_lyric_file(folder.write("song.lrc", bytes).c_str(), template_text,
                               script_default);
    }
    // After a load that gave up: nothing of it may be left.
    void expect_nothing_loaded() {
        EXPECT_EQ(entries, nullptr);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(template_prefix, nullptr);
    }
};

TEST_F(LoaderTest, LoadsTheWholeFileExample) {
    // The directives take effect through the load: the script flag (the
    // default here is 0) and the offset of every time.
    const char* const lines[] = {
        "@SakuraScript=1",
        "@SakuraScriptOffset=-500",
        "[ti:Song]",
        "[00:00.20]Intro",
        "[00:12.00][01:12.00]La la",
        "[00:30.00]",
        "[00:20.00] Hey",
        "[00:25.00]Hey",
    };

    std::string file;
    for (const char* line : lines)
        file += std::string(line) + "\n";
    ASSERT_EQ(load(file, 0, default_template), 4);
    const std::vector<Entry> expected = {
        {0, false, wrap("Intro")},
        {11500, false, wrap("La la")},
        {24500, false, wrap("Hey")},
        {71500, true, wrap("La la")},
    };
    EXPECT_EQ(test::timeline_entries(), expected);
    EXPECT_EQ(entries[3].text, entries[1].text);
    ASSERT_NE(template_prefix, nullptr);
    EXPECT_STREQ(template_prefix, "\\0\\s[25]");
}

TEST_F(LoaderTest, AdjustsTimesByOffsetAndRatio) {
    struct Case {
        const char* tag;
        int32_t offset;
        const char* ratio;  // the "@TimeRatio=" value
        const char* before; // an earlier line, or ""
        std::vector<int32_t> times;
    };
    const Case cases[] = {
        {"[00:12.34]", 0, "1", "", {12340}},
        {"[00:12.34]", 500, "1", "", {12840}},
        {"[00:10.00]", 0, "2", "", {10047}},
        {"[01:00.00]", 0, "2", "", {60282}},
        {"[00:12.34]", 500, "2", "", {12900}},
        {"[00:01.00]", -2000, "2", "", {0}},
        {"[00:01.00]", -2000, "2", "[00:05.00]a\n", {3014}},
        {"[00:01.00]", -1000, "1", "", {0}},
        {"[00:01.00][00:00.50][00:03.00]", -1000, "1", "", {0, 2000}},
        {"[00:01.00]", 0, "0", "", {1000}},
        // Beyond the 32-bit range after the ratio: the largest time, not an
        // undefined conversion.
        {"[2147483000]", 0, "2", "", {INT32_MAX}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tag) + " offset " + std::to_string(c.offset) + " ratio " +
                     c.ratio + " after '" + c.before + "'");
        free_timeline();
        std::string file = "@SakuraScriptOffset=" + std::to_string(c.offset) +
                           "\n@TimeRatio=" + c.ratio + "\n" + c.before + c.tag + "x\n";
        load(file);
        std::vector<int32_t> times;
        for (const Entry& e : test::timeline_entries())
            times.push_back(e.time);
        EXPECT_EQ(times, c.times);
    }
}

TEST_F(LoaderTest, HandlesDirectivesTagsAndLineEnds) {
    struct Case {
        const char* name;
        std::string file;
        int32_t script_default;
        const char* template_text;
        std::vector<Entry> expected;
    };
    const Case cases[] = {
        {"declared script", "@SakuraScript=1\n[1000]a\n", 0, "", {{1000, false, "a"}}},
        {"directive in other case", "@sakurascript=1\n[1000]a\n", 0, "", {{1000, false, "a"}}},
        {"no declaration", "[1000]a\n", 0, "", {}},
        {"space before @", " @SakuraScript=1\n[1000]a\n", 0, "", {}},
        {"empty value keeps .lrc default",
         "@SakuraScript=\n[1000]a\n",
         1,
         "",
         {{1000, false, "a"}}},
        {"non-numeric value keeps 0", "@SakuraScript=yes\n[1000]a\n", 0, "", {}},
        {"0 rejects a .lrc file", "@SakuraScript=0\n[1000]a\n", 1, "", {}},
        {"later declaration wins", "@SakuraScript=1\n@SakuraScript=0\n[1000]a\n", 0, "", {}},
        {"BOM skipped", "\xEF\xBB\xBF@SakuraScript=1\n[1000]a\n", 0, "", {{1000, false, "a"}}},
        {"BOM only at the start", "[1000]a\n\xEF\xBB\xBF[2000]b\n", 1, "", {{1000, false, "a"}}},
        {"CRLF", "[1000]a\r\n[2000]b\r\n", 1, "", {{1000, false, "a"}, {2000, false, "b"}}},
        {"last line without LF",
         "[1000]a\n[2000]b",
         1,
         "",
         {{1000, false, "a"}, {2000, false, "b"}}},
        // A CR ending a last line without LF stays, and the filter makes it a
        // space.
        {"CR ending the last line stays", "[1000]a\r", 1, "", {{1000, false, "a "}}},
        {"time format", "[00:12.34]Text\n", 1, "", {{12340, false, "Text"}}},
        {"offset", "@SakuraScriptOffset=-340\n[00:12.34]Text\n", 1, "", {{12000, false, "Text"}}},
        {"offset in time format",
         "@SakuraScriptOffset=-0:01.5\n[00:12.34]x\n",
         1,
         "",
         {{10840, false, "x"}}},
        {"bad offset keeps the earlier",
         "@SakuraScriptOffset=100\n@SakuraScriptOffset=x\n[1000]a",
         1,
         "",
         {{1100, false, "a"}}},
        {"space after the tag", "[00:12.34] Text\n", 1, "", {}},
        {"tags apart", "[1000] [2000]a\n", 1, "", {}},
        {"control byte after the tag", "[1000]\ta\n", 1, "", {}},
        {"several tags, one text",
         "[3000][1000][2000]a\n",
         1,
         "",
         {{1000, true, "a"}, {2000, true, "a"}, {3000, false, "a"}}},
        {"equal times in file order",
         "[1000]a\n[1000]b\n[500][1000]c\n",
         1,
         "",
         {{500, false, "c"}, {1000, false, "a"}, {1000, false, "b"}, {1000, true, "c"}}},
        {"tag without a time starts the text",
         "[00:01.00][xx]Hi\n",
         1,
         "",
         {{1000, false, "[xx]Hi"}}},
        {"tag without a close", "[1000]a\n[2000\n", 1, "", {{1000, false, "a"}}},
        {"other lines ignored", "#[500]x\n[1000]a\n", 1, "", {{1000, false, "a"}}},
        {"metadata only", "[ti:Song]\n[ar:Someone]\n", 1, "", {}},
        {"ratio 1 changes nothing", "@TimeRatio=1\n[10000]a\n", 1, "", {{10000, false, "a"}}},
        {"NUL ends a line's text",
         std::string("[1000]a\0b]]\n[2000]c\n", 20),
         1,
         "",
         {{1000, false, "a"}, {2000, false, "c"}}},
        {"NUL at a line's start",
         std::string("[1000]a\n\0[1500]x\n[2000]c\n", 25),
         1,
         "",
         {{1000, false, "a"}, {2000, false, "c"}}},
        {"configured template", "[1000]a\n", 1, default_template, {{1000, false, wrap("a")}}},
        {"template without placeholder", "[1000]a\n", 1, "\\0plain", {{1000, false, "a"}}},
        {"placeholder in lower case", "[1000]a\n", 1, "<%ilyx>", {{1000, false, "<a>"}}},
        {"file's template",
         "@TessalySakuraScriptLyricsPrimary=<%ILYX/>\n[1000]a\n",
         1,
         default_template,
         {{1000, false, "<a/>"}}},
        {"file's template without placeholder",
         "@TessalySakuraScriptLyricsPrimary=<b>\n[1000]a\n",
         1,
         default_template,
         {{1000, false, wrap("a")}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        free_timeline();
        int32_t loaded = load(c.file, c.script_default, c.template_text);
        EXPECT_EQ(loaded, static_cast<int32_t>(c.expected.size()));
        EXPECT_EQ(test::timeline_entries(), c.expected);
        if (c.expected.empty())
            expect_nothing_loaded();
    }
}

TEST_F(LoaderTest, CharsetDirectiveChoosesTheTrailer) {
    struct Case {
        const char* value;
        const CharsetTrailer* expected;
    };
    const Case cases[] = {
        {"UTF-8", trailer_utf8},
        {"utf-8", trailer_utf8},
        {"Shift_JIS", trailer_shift_jis},
        {"SHIFT_JIS", trailer_shift_jis},
        {"Default", trailer_plain},
        {"UTF-8 ", trailer_plain},
        {"x", trailer_plain},
        {"", nullptr},
        {" UTF-8", nullptr},
        {"\x01UTF-8", nullptr},
        {"\x82\xa0", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("value '") + c.value + "'");
        for (const CharsetTrailer* start : {trailer_utf8, trailer_shift_jis}) {
            free_timeline();
            current_trailer = start;
            EXPECT_EQ(load(std::string("@SakuraScriptCharset=") + c.value + "\n[1000]a\n"), 1);
            EXPECT_EQ(current_trailer, c.expected == nullptr ? start : c.expected);
        }
    }
    // The change stands even when the file then loads nothing.
    free_timeline();
    current_trailer = trailer_utf8;
    EXPECT_EQ(load("@SakuraScriptCharset=Shift_JIS\n[ti:x]\n"), 0);
    EXPECT_EQ(current_trailer, trailer_shift_jis);
}

TEST_F(LoaderTest, AsksTheTransportForTheNamedGhost) {
    struct Case {
        const char* name;
        std::string file;
        int probe_answer;
        std::vector<std::string> probes;
        int32_t loaded;
    };
    const std::string key = std::string(".name\x01", 6);
    const Case cases[] = {
        {"present", "@SakuraScriptGhost=Emily\n[1000]a\n", 1, {key + "Emily\r"}, 1},
        {"absent", "@SakuraScriptGhost=Emily\n[1000]a\n", 0, {key + "Emily\r"}, 0},
        {"later name wins",
         "@SakuraScriptGhost=A\n@SakuraScriptGhost=Emily\n[1000]a\n",
         1,
         {key + "Emily\r"},
         1},
        {"blank name ignored",
         "@SakuraScriptGhost=Emily\n@SakuraScriptGhost= B\n[1000]a\n",
         1,
         {key + "Emily\r"},
         1},
        {"no name", "@SakuraScriptGhost=\n[1000]a\n", 0, {}, 1},
        {"not a script", "@SakuraScript=0\n@SakuraScriptGhost=Emily\n[1000]a\n", 1, {}, 0},
        {"no tags", "@SakuraScriptGhost=Emily\n", 1, {}, 0},
        // Accepted lines are the second pass's business: the check comes first.
        {"no accepted line", "@SakuraScriptGhost=Emily\n[1000] a\n", 1, {key + "Emily\r"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        free_timeline();
        test::use_recording_transport(1, c.probe_answer);
        EXPECT_EQ(load(c.file), c.loaded);
        EXPECT_EQ(test::probes(), c.probes);
        if (c.loaded == 0)
            expect_nothing_loaded();
    }
}

TEST_F(LoaderTest, GhostNamesOfAnyLengthAreSafe) {
    // The key holds ".name", 0x01, the name, CR and NUL in 2,048 bytes: a
    // name of 2,040 bytes fits; a longer one cannot be named and fails the
    // check without a probe.
    const std::string key = std::string(".name\x01", 6);
    for (size_t length : {2040u, 2041u, 4000u}) {
        SCOPED_TRACE(length);
        free_timeline();
        test::use_recording_transport();
        std::string name(length, 'g');
        int32_t loaded = load("@SakuraScriptGhost=" + name + "\n[1000]a\n");
        if (length <= 2040) {
            EXPECT_EQ(loaded, 1);
            EXPECT_EQ(test::probes(), std::vector<std::string>{key + name + "\r"});
        } else {
            EXPECT_EQ(loaded, 0);
            EXPECT_TRUE(test::probes().empty());
        }
    }
}

TEST_F(LoaderTest, ConvertsTheGhostNameFromTheFilesCharset) {
    // The name goes to the probe in UTF-8 and in the system code page, which
    // is UTF-8 on Linux and 1252 under Wine here.
#ifdef _WIN32
    constexpr bool system_is_utf8 = false;
    if (GetACP() != 1252)
        GTEST_SKIP() << "the cases are written for code page 1252";
#else
    constexpr bool system_is_utf8 = true;
#endif
    const std::string key = std::string(".name\x01", 6);
    const char* const none = nullptr;
    struct Case {
        const char* charset;
        const char* name;
        const char* utf8;
        const char* system; // nullptr: the system code page cannot hold it
    };
    const char* const sakura_sjis = "\x82\xb3\x82\xad\x82\xe7";
    const char* const sakura_utf8 = "\xe3\x81\x95\xe3\x81\x8f\xe3\x82\x89";
    const Case cases[] = {
        {"Shift_JIS", "Emily", "Emily", "Emily"},
        {"UTF-8", "Emily", "Emily", "Emily"},
        {"Default", "Emily", "Emily", "Emily"},
        // A name that begins above 0x7F is taken.
        {"Shift_JIS", sakura_sjis, sakura_utf8, system_is_utf8 ? sakura_utf8 : none},
        {"UTF-8", sakura_utf8, sakura_utf8, system_is_utf8 ? sakura_utf8 : none},
        {"UTF-8", "Zo\xc3\xab", "Zo\xc3\xab", system_is_utf8 ? "Zo\xc3\xab" : "Zo\xeb"},
        // U+0113 has only a look-alike ("e") in code page 1252: refused, or
        // "Zo\xc4\x93" would be taken for a ghost called "Zoe".
        {"UTF-8", "Zo\xc4\x93", "Zo\xc4\x93", system_is_utf8 ? "Zo\xc4\x93" : none},
        // Bytes that do not decode are replaced, as Windows does; the
        // replacement character has no form in code page 1252.
        {"UTF-8", "A\xff", "A\xef\xbf\xbd", system_is_utf8 ? "A\xef\xbf\xbd" : none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.charset) + " " + c.name);
        free_timeline();
        test::use_recording_transport();
        EXPECT_EQ(load(std::string("@SakuraScriptCharset=") + c.charset +
                       "\n@SakuraScriptGhost=" + c.name + "\n[1000]a\n"),
                  1);
        EXPECT_EQ(test::probes(), std::vector<std::string>{key + c.utf8 + "\r"});
        std::string system = c.system != nullptr ? key + c.system + "\r" : "<none>";
        EXPECT_EQ(test::system_probes(), std::vector<std::string>{system});
    }
}

TEST_F(LoaderTest, SkipsLinesTooLongForTheBuffer) {
    // A line is read when it fits the 4,095 data bytes with its LF: 4,094
    // bytes before the LF, a CR counted. Longer lines are skipped whole,
    // alike in both passes, and reading goes on after them.
    struct Case {
        size_t length; // bytes before the line end, CR not counted
        const char* end;
        bool read;
    };
    const Case cases[] = {
        {4094, "\n", true},    {4095, "\n", false}, {4096, "\n", false}, {4093, "\r\n", true},
        {4094, "\r\n", false}, {4094, "", true},    {4095, "", false},
    };
    for (bool bom : {false, true}) {
        for (const Case& c : cases) {
            const char* end_name = c.end[0] == '\r' ? " CRLF" : c.end[0] == '\n' ? " LF" : " last";
            SCOPED_TRACE(std::to_string(c.length) + end_name + (bom ? " after a BOM" : ""));
            free_timeline();
            std::string lyric(c.length - 6, 'a');
            std::string line = "[2000]" + lyric + c.end;
            std::string tail = c.end[0] == '\0' ? "" : "[3000]after\n";
            std::string file = (bom ? "\xEF\xBB\xBF" : "") + line + tail;
            load(file);
            std::vector<Entry> expected;
            // Without a template, a read line is cut to what a request holds.
            if (c.read)
                expected.push_back({2000, false, lyric.substr(0, max_script_length(trailer_utf8))});
            if (!tail.empty())
                expected.push_back({3000, false, "after"});
            EXPECT_EQ(test::timeline_entries(), expected);
        }
    }
}

TEST_F(LoaderTest, BadFilesLoadSafely) {
    const std::string ten_mb(10u << 20, 'a');
    const std::string ten_mb_brackets(10u << 20, ']');
    struct Case {
        const char* name;
        std::string file;
        std::vector<Entry> expected;
    };
    std::string binary;
    uint32_t state = 12345;
    for (int i = 0; i < (64 << 10); ++i) {
        state = state * 1103515245u + 12345u;
        binary.push_back(static_cast<char>(state >> 24));
    }
    const Case cases[] = {
        {"empty", "", {}},
        {"only a BOM", "\xEF\xBB\xBF", {}},
        {"only line ends", "\n\r\n\n", {}},
        {"10 MB line", "[1000]" + ten_mb + "\n[2000]b\n", {{2000, false, "b"}}},
        {"10 MB of brackets", "[1000]" + ten_mb_brackets + "\n[2000]b\n", {{2000, false, "b"}}},
        {"10 MB last line", "[2000]b\n[1000]" + ten_mb, {{2000, false, "b"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        free_timeline();
        EXPECT_EQ(load(c.file), static_cast<int32_t>(c.expected.size()));
        EXPECT_EQ(test::timeline_entries(), c.expected);
    }
    // Whatever random bytes give, the Timeline holds together.
    free_timeline();
    int32_t loaded = load(binary);
    EXPECT_EQ(static_cast<int32_t>(test::timeline_entries().size()), loaded);
}

// Every lyric line and a file's own template as the ghost receives them,
// filtered (the default) and with lyric scripts trusted.
TEST_F(LoaderTest, FiltersUntrustedLinesUnlessTrusted) {
    struct Case {
        const char* name;
        std::string head; // directives before the line
        std::string lyric;
        const char* template_text;
        std::string filtered;
        std::string trusted;
    };
    const std::string own = "@TessalySakuraScriptLyricsPrimary=";
    const std::string sjis = "@SakuraScriptCharset=Shift_JIS\n";
    // 0x95 0x5C is one Shift_JIS character whose trail byte is 0x5C.
    const std::string kanji = "\x95\x5C";
    const Case cases[] = {
        {"opens a file", "", R"(\![open,file,C:\x])", default_template,
         wrap(R"(\\![open,file,C:\\x])"), wrap(R"(\![open,file,C:\x])")},
        {"fetches a page", "", R"(\j[http://x])", default_template, wrap(R"(\\j[http://x])"),
         wrap(R"(\j[http://x])")},
        {"ends the script", "", R"(\-)", default_template, wrap(R"(\\-)"), wrap(R"(\-)")},
        {"display and timing tags kept", "", R"(\1\s[10]La\_w[300]la\n)", default_template,
         wrap(R"(\1\s[10]La\_w[300]la\n)"), wrap(R"(\1\s[10]La\_w[300]la\n)")},
        {"nested bracket", "", R"(\_w[5[0]]\![raise,x])", default_template,
         wrap(R"(\\_w[5[0]]\\![raise,x])"), wrap(R"(\_w[5[0]]\![raise,x])")},
        {"unclosed bracket", "", R"(a\_w[500)", default_template, wrap(R"(a\\_w[500)"),
         wrap(R"(a\_w[500)")},
        // It would swallow the backslash of the template's "\e".
        {"backslash at the end", "", R"(a\)", default_template, wrap(R"(a\\)"), wrap(R"(a\)")},
        {"CR inside", "", "a\rb", default_template, wrap("a b"), wrap("a\rb")},
        // The 0x5C is no backslash to the ghost: "j[...]" is text.
        {"Shift_JIS trail byte 0x5C", sjis, kanji + "j[http://x]", default_template,
         wrap(kanji + "j[http://x]"), wrap(kanji + "j[http://x]")},
        {"Shift_JIS before a real tag", sjis, kanji + R"(\j[x])", default_template,
         wrap(kanji + R"(\\j[x])"), wrap(kanji + R"(\j[x])")},
        // Read as UTF-8 the same bytes hold a backslash.
        {"the same bytes in UTF-8", "", kanji + "j[x]", default_template, wrap("\x95\\\\j[x]"),
         wrap(kanji + "j[x]")},
        {"Shift_JIS lead byte at the end", sjis, "a\x95", default_template, wrap("a\x95 "),
         wrap("a\x95")},
        {"file's template", own + R"(\0\![raise,OnX]%ILYX\e)" + "\n", R"(\-)", default_template,
         R"(\0\\![raise,OnX]\\-\e)", R"(\0\![raise,OnX]\-\e)"},
        // An escaped "%" is no placeholder: the configured template stays.
        {"file's template with an escaped placeholder", own + R"(<\%ILYX>)" + "\n", "a",
         default_template, wrap("a"), R"(<\a>)"},
        // In Shift_JIS the "%" after a lead byte is its trail.
        {"file's Shift_JIS template with a trail placeholder", sjis + own + "<\x95%ILYX>\n", "a",
         default_template, wrap("a"),
         "<\x95"
         "a>"},
        // Each side is filtered on its own: no tag reaches across the lyric.
        {"file's template inside a tag's bracket", own + R"(\f[%ILYX])" + "\n", "a",
         default_template, R"(\\f[a])", R"(\f[a])"},
        // The configured template is the user's own and is not filtered; a
        // prefix ending in a lead byte gets a space, or the byte would pair
        // with the lyric's first.
        {"configured prefix ending in a lead byte", sjis, R"(\![raise,x])", "<\x8C%ILYX>",
         "<\x8C "
         R"(\\![raise,x])"
         ">",
         "<\x8C"
         R"(\![raise,x])"
         ">"},
        {"configured template with a tag of its own", "", "a", R"(\![raise,Y]%ILYX)",
         R"(\![raise,Y]a)", R"(\![raise,Y]a)"},
    };
    for (bool trusted : {false, true}) {
        trust_lyric_scripts(trusted);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (trusted ? ", trusted" : ", filtered"));
            free_timeline();
            current_trailer = trailer_utf8;
            ASSERT_EQ(load(c.head + "[1000]" + c.lyric + "\n", 1, c.template_text), 1);
            EXPECT_EQ(std::string(entries[0].text), trusted ? c.trusted : c.filtered);
        }
    }
}

// A composed text holds what one request carries. An overlong lyric is cut
// before the template's suffix, never inside a character or between a
// backslash and its character; a filtered lyric is filtered again up to the
// cut, so a tag cut in two shows as text.
TEST_F(LoaderTest, CutsOverlongLinesWhereNothingDangles) {
    struct Case {
        const char* name;
        bool shift_jis;
        bool trusted;
        std::string lyric;
        std::string kept; // what stays of the (filtered) lyric
    };
    // Room for the lyric: the script a request holds less "\0\s[25]" and "\e".
    const uint32_t utf8_room = max_script_length(trailer_utf8) - 10;
    const uint32_t sjis_room = max_script_length(trailer_shift_jis) - 10;
    std::string escapes; // 4,000 bytes that the filter makes 6,000
    for (int i = 0; i < 2000; ++i)
        escapes += R"(\x)";
    std::string doubled;
    for (int i = 0; i < 1330; ++i)
        doubled += R"(\\x)";
    std::string kanji;
    for (int i = 0; i < 1993; ++i)
        kanji += "\x95\x5C";
    const Case cases[] = {
        {"doubled by the filter", false, false, escapes, doubled},
        {"kept tag cut in two", false, false, std::string(utf8_room - 5, 'a') + R"(\_w[500])",
         std::string(utf8_room - 5, 'a') + R"(\\_w[)"},
        {"escape not split", false, false, std::string(utf8_room - 1, 'a') + R"(\!)",
         std::string(utf8_room - 1, 'a')},
        {"trusted escape not split", false, true, std::string(utf8_room - 1, 'a') + R"(\e)",
         std::string(utf8_room - 1, 'a')},
        // "a" puts every character at an odd offset: the room ends inside one.
        {"Shift_JIS character not split", true, false, "a" + kanji + kanji.substr(0, 16),
         "a" + kanji.substr(0, kanji.size() - 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        free_timeline();
        current_trailer = trailer_utf8;
        trust_lyric_scripts(c.trusted);
        std::string head = c.shift_jis ? "@SakuraScriptCharset=Shift_JIS\n" : "";
        ASSERT_EQ(load(head + "[1000]" + c.lyric + "\n", 1, default_template), 1);
        std::string text = entries[0].text;
        EXPECT_LE(text.size(), (c.shift_jis ? sjis_room : utf8_room) + 10);
        EXPECT_TRUE(text == wrap(c.kept))
            << "kept " << text.size() - 10 << " bytes, expected " << c.kept.size() << "; ends "
            << text.substr(text.size() - 12);
    }
    // A template that alone outgrows a request: the whole text is cut.
    free_timeline();
    current_trailer = trailer_utf8;
    trust_lyric_scripts(false);
    std::string long_template = std::string(5000, 'p') + "%ILYX" + std::string(3000, 's');
    ASSERT_EQ(load("[1000]a\n", 1, long_template.c_str()), 1);
    EXPECT_TRUE(std::string(entries[0].text) == std::string(max_script_length(trailer_utf8), 'p'));
}

TEST_F(LoaderTest, AFailedLoadLeavesNothingAndTheNextLoads) {
    // The second pass accepts nothing: the table and the template go.
    EXPECT_EQ(load("[ti:x]\n[1000] a\n", 1, default_template), 0);
    expect_nothing_loaded();
    EXPECT_EQ(load("[1000]a\n", 1, default_template), 1);
    EXPECT_EQ(test::timeline_entries(), (std::vector<Entry>{{1000, false, wrap("a")}}));

    // A file that does not open changes nothing at all.
    free_timeline();
    current_trailer = trailer_shift_jis;
    std::string missing = folder.path() + "/missing.lrc";
    EXPECT_EQ(load_lyric_file(missing.c_str(), default_template, 1), 0);
    expect_nothing_loaded();
    EXPECT_EQ(current_trailer, trailer_shift_jis);
}

TEST_F(LoaderTest, GivesUpOrKeepsWhatItReadWhenTheFileFails) {
    // A ghost name and a template, so that a load that gives up has heap
    // blocks to free; filler lines put "[2000]b" beyond the first read.
    std::string file = "@SakuraScriptGhost=Emily\n@TessalySakuraScriptLyricsPrimary=<%ILYX>\n"
                       "[1000]a\n";
    for (int i = 0; i < 100; ++i)
        file += "#" + std::string(58, 'x') + "\n";
    file += "[2000]b\n";
    ASSERT_GT(file.find("[2000]"), 4095u);

    struct Case {
        const char* name;
        FileFault fault;
        std::vector<Entry> expected;
    };
    const Case cases[] = {
        {"nothing fails", {false, 0, 0}, {{1000, false, "<a>"}, {2000, false, "<b>"}}},
        // Giving up: the answer for a file that cannot be read at all.
        {"the rewind fails", {true, 0, 0}, {}},
        {"the second pass's first read fails", {false, 2, 1}, {}},
        {"the first pass's first read fails", {false, 1, 1}, {}},
        // A later read that fails ends its pass with what it has: the first
        // pass's bound (one slot) or the second pass's entries.
        {"a later read of the first pass fails", {false, 1, 2}, {{1000, false, "<a>"}}},
        {"a later read of the second pass fails", {false, 2, 2}, {{1000, false, "<a>"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        free_timeline();
        inject(c.fault);
        EXPECT_EQ(load(file, 1, default_template), static_cast<int32_t>(c.expected.size()));
        EXPECT_EQ(test::timeline_entries(), c.expected);
        EXPECT_EQ(opens, 1);
        EXPECT_EQ(closes, 1) << "the file is closed once, whatever failed";
        platform::restore_calls();
        if (c.expected.empty()) {
            expect_nothing_loaded();
            // The next candidate starts from an empty Timeline.
            EXPECT_EQ(load("[1000]a\n", 1, default_template), 1);
        }
    }
}

// The table a file gave when each entry was inserted one at a time, scanning
// from the end past every later time: after all entries of an equal time.
std::vector<Entry> inserted_one_at_a_time(const std::vector<Entry>& in_file_order) {
    std::vector<Entry> table;
    for (const Entry& entry : in_file_order) {
        auto slot = table.end();
        while (slot != table.begin() && (slot - 1)->time > entry.time)
            --slot;
        table.insert(slot, entry);
    }
    return table;
}

TEST_F(LoaderTest, SortsAsInsertingOneAtATime) {
    // Shuffled lines of one to three tags from few times (many equal), then
    // a run in descending order.
    std::string file;
    std::vector<Entry> in_file_order;
    uint32_t state = 7;
    auto next = [&state](uint32_t n) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % n;
    };
    for (int line = 0; line < 400; ++line) {
        std::string text = "L" + std::to_string(line);
        uint32_t tags = 1 + next(3);
        for (uint32_t tag = 0; tag < tags; ++tag) {
            int32_t time = 100 * static_cast<int32_t>(1 + next(12));
            file += "[" + std::to_string(time) + "]";
            in_file_order.push_back({time, tag != 0, text});
        }
        file += text + "\n";
    }
    for (int32_t time = 5000; time > 0; time -= 50) {
        file += "[" + std::to_string(time) + "][" + std::to_string(time) + "]D\n";
        in_file_order.push_back({time, false, "D"});
        in_file_order.push_back({time, true, "D"});
    }
    ASSERT_EQ(load(file), static_cast<int32_t>(in_file_order.size()));
    EXPECT_EQ(test::timeline_entries(), inserted_one_at_a_time(in_file_order));
}

} // namespace
} // namespace lumivox
