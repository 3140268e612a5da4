// Lyric files that name no charset: a UTF-8 file is left as it is; one in a
// double-byte charset is judged, converted to UTF-8 and sent as UTF-8, and
// the same bytes give the same text on every system.
#include "platform/codepage.h"
#include "sstp/request.h"
#include "tests/support/legacy_texts.h"
#include "tests/support/recording_transport.h"
#include "tests/timeline/loader_fixture.h"
#include "tests/timeline/lyric_files.h"
#include "timeline/charset_guess.h"
#include "timeline/legacy_charset.h"
#include "timeline/load_report.h"
#include "timeline/loader.h"
#include "timeline/timeline.h"

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

const std::string replacement = "\xef\xbf\xbd";
const std::string sakura_utf8 = "さくら";
const std::string sakura_sjis = test::code_units("82b3 82ad 82e7");

// What the loader told of the charset, last.
CharsetReport told{CharsetReason::kind, nullptr, nullptr};
std::string told_read_as;
std::string told_runner_up;

void on_charset(const CharsetReport& report) {
    told = report;
    told_read_as = report.read_as != nullptr ? report.read_as : "";
    told_runner_up = report.runner_up != nullptr ? report.runner_up : "";
}

const LoadObserver observer = {nullptr, nullptr, &on_charset};

class LyricCharsets : public test::LoaderFixture {
  protected:
    int32_t load(const std::string& bytes, LyricFormat format, int32_t script_default = 1,
                 const char* template_text = default_template) {
        free_timeline();
        told = {CharsetReason::kind, nullptr, nullptr};
        told_read_as.clear();
        told_runner_up.clear();
        std::string path = folder.write("song.lyric", bytes);
        return load_lyric_file(path.c_str(), template_text, script_default, format, &observer);
    }
};

// Each text as an .lrc file, as a .txt file while the page says "Default",
// and with CR LF line ends: sung as written, in UTF-8, from the charset the
// judgement names.
TEST_F(LyricCharsets, JudgedFilesAreSungAsWrittenInUtf8) {
    for (const test::LegacyText& sample : test::legacy_texts()) {
        for (int kind = 0; kind < 3; ++kind) {
            SCOPED_TRACE(std::string(sample.name) + (kind == 0   ? ", .lrc"
                                                     : kind == 1 ? ", .txt"
                                                                 : ", CR LF"));
            std::string file = kind == 1 ? "@SakuraScript=1\n" : "";
            std::vector<Entry> expected;
            int32_t time = 1000;
            for (const test::LegacyLine& line : sample.lines) {
                file += "[" + std::to_string(time) + "]" + line.bytes + (kind == 2 ? "\r\n" : "\n");
                expected.push_back({time, false, wrap(line.text)});
                time += 1000;
            }
            current_trailer = kind == 1 ? trailer_plain : trailer_utf8;
            load(file, kind == 1 ? txt_default : lrc, kind == 1 ? 0 : 1);
            EXPECT_EQ(test::timeline_entries(), expected);
            EXPECT_EQ(current_trailer, trailer_utf8) << trailer_name(current_trailer);
            EXPECT_EQ(told.reason, CharsetReason::judged);
            EXPECT_EQ(told_read_as, sample.charset);
            EXPECT_NE(told_runner_up, sample.charset);
        }
    }
}

// The judgement reads the whole file, a title tag as much as a lyric. Alone,
// four hangul syllables are taken for Chinese: modern hangul and the common
// hanzi share one block of codes, and a short text there is Chinese unless
// more of it says otherwise.
TEST_F(LyricCharsets, TheWholeFileIsJudged) {
    const std::string kana_line = test::code_units("82a0 82e8 82aa 82c6 82a4"); // ありがとう
    const std::string saranghaeyo = test::code_units("bbe7 b6fb c7d8 bfe4");    // 사랑해요
    const std::string stars = test::code_units("bab0 c0cc 20 bafb b3aa b4c2 20 b9e3 bfa1");
    load("[00:01.00]" + saranghaeyo + "\n", lrc);
    EXPECT_EQ(told_read_as, "GBK");
    load("[ti:" + saranghaeyo + "]\n[00:01.00]" + saranghaeyo + "\n", lrc);
    EXPECT_EQ(told_read_as, "EUC-KR");
    load("[00:01.00]" + saranghaeyo + "\n[00:02.00]" + stars + "\n", lrc);
    EXPECT_EQ(told_read_as, "EUC-KR");
    EXPECT_EQ(test::timeline_entries(),
              (std::vector<Entry>{{1000, false, wrap("사랑해요")},
                                  {2000, false, wrap("별이 빛나는 밤에")}}));

    // Past what is judged, a byte that begins no character shows as U+FFFD.
    std::string file;
    int32_t time = 1000;
    while (file.size() < 2 * judged_bytes_limit)
        file += "[" + std::to_string(time++) + "]" + kana_line + "\n";
    file += "[" + std::to_string(time) + "]a\x80" + kana_line + "\n";
    load(file, lrc);
    EXPECT_EQ(told_read_as, "Shift_JIS");
    std::vector<Entry> entries_read = test::timeline_entries();
    ASSERT_FALSE(entries_read.empty());
    EXPECT_EQ(entries_read.front().text, wrap("ありがとう"));
    EXPECT_EQ(entries_read.back().text, wrap("a" + replacement + "ありがとう"));
}

// Where a file names its charset, has a byte-order mark, is UTF-8, or is of a
// kind whose charset is not told, nothing is judged; nor is a file that fits
// no charset, or reads as no language in any (a Latin-1 file: its letters
// beyond ASCII stand inside words). Those keep their bytes as they stand.
TEST_F(LyricCharsets, FilesThatAreNotJudgedKeepTheirBytes) {
    // 0x95 0x5C is one Shift_JIS character whose second byte is 0x5C: no
    // backslash, so the filter leaves "j[x]" alone.
    const std::string kanji = "\x95\x5C";
    const std::string sjis_line = "[1000]" + sakura_sjis + kanji + "j[x]\n";
    const std::string as_sjis = sakura_sjis + kanji + "j[x]";
    const std::string as_utf8 = sakura_sjis + "\x95\\\\j[x]"; // the filter reads a backslash
    const std::string gbk = test::code_units("d6d0 cec4 b8e8 b4ca");
    struct Case {
        const char* name;
        std::string file;
        LyricFormat format;
        int32_t script_default;
        const CharsetTrailer* start;
        const CharsetTrailer* trailer;
        CharsetReason reason;
        std::string text;
    };
    const std::string declared = "@SakuraScript=1\n";
    const Case cases[] = {
        {".txt, page UTF-8", declared + sjis_line, plain, 0, trailer_utf8, trailer_utf8,
         CharsetReason::kind, as_utf8},
        {".txt, page Shift_JIS", declared + sjis_line, plain, 0, trailer_shift_jis,
         trailer_shift_jis, CharsetReason::kind, as_sjis},
        {".ssl", declared + sjis_line, plain, 0, trailer_utf8, trailer_utf8, CharsetReason::kind,
         as_utf8},
        {"named Shift_JIS", "@SakuraScriptCharset=Shift_JIS\n" + sjis_line, lrc, 1, trailer_utf8,
         trailer_shift_jis, CharsetReason::declared, as_sjis},
        {"named UTF-8", "@SakuraScriptCharset=UTF-8\n" + sjis_line, lrc, 1, trailer_utf8,
         trailer_utf8, CharsetReason::declared, as_utf8},
        // The system's code page is single-byte here (UTF-8 on Linux, 1252
        // under Wine): 0x5C reads as a backslash.
        {"named Default", "@SakuraScriptCharset=Default\n" + sjis_line, txt_default, 1,
         trailer_utf8, trailer_plain, CharsetReason::declared, as_utf8},
        {"valid UTF-8", "[1000]" + sakura_utf8 + "\n", lrc, 1, trailer_utf8, trailer_utf8,
         CharsetReason::valid_utf8, sakura_utf8},
        {"plain ASCII", "[1000]a\n", txt_default, 1, trailer_plain, trailer_plain,
         CharsetReason::valid_utf8, "a"},
        {"UTF-8 with its mark", "\xEF\xBB\xBF[1000]" + sakura_utf8 + "\n", lrc, 1, trailer_utf8,
         trailer_utf8, CharsetReason::byte_order_mark, sakura_utf8},
        {"GBK behind a UTF-8 mark", "\xEF\xBB\xBF[1000]" + gbk + "\n", lrc, 1, trailer_utf8,
         trailer_utf8, CharsetReason::byte_order_mark, gbk},
        {"fits none: 0x80", "[1000]a\x80\n", lrc, 1, trailer_utf8, trailer_utf8,
         CharsetReason::fits_none, "a\x80"},
        {"fits none: a lead byte ending the line", "[1000]a" + sakura_sjis + "\x95\n", lrc, 1,
         trailer_utf8, trailer_utf8, CharsetReason::fits_none, "a" + sakura_sjis + "\x95"},
        {"fits none: UTF-8 and GBK lines", "[1000]" + sakura_utf8 + "\n#" + gbk + "\n", lrc, 1,
         trailer_utf8, trailer_utf8, CharsetReason::fits_none, sakura_utf8},
        {"reads as no language: Latin-1",
         "[1000]Gr\xfc\xdf"
         "e aus K\xf6ln\n",
         txt_default, 1, trailer_plain, trailer_plain, CharsetReason::fits_none,
         "Gr\xfc\xdf"
         "e aus K\xf6ln"},
        // A line too long to read is not looked at.
        {"GBK only in a skipped line", "[1000]a\n[2000]" + std::string(4100, 'b') + gbk + "\n", lrc,
         1, trailer_utf8, trailer_utf8, CharsetReason::valid_utf8, "a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        current_trailer = c.start;
        ASSERT_EQ(load(c.file, c.format, c.script_default), 1);
        EXPECT_EQ(current_trailer, c.trailer) << trailer_name(current_trailer);
        EXPECT_EQ(told.reason, c.reason);
        EXPECT_EQ(test::timeline_entries(), (std::vector<Entry>{{1000, false, wrap(c.text)}}));
    }
}

// The ghost's name and the file's own template are read as the lines are:
// converted from the charset judged.
TEST_F(LyricCharsets, DirectivesOfAJudgedFileAreConvertedToo) {
    test::use_recording_transport();
    const std::string kana = test::code_units("82a0 82e8 82aa 82c6 82a4"); // ありがとう
    ASSERT_EQ(load("@SakuraScriptGhost=" + sakura_sjis + "\n@TessalySakuraScriptLyricsPrimary=" +
                       kana + "%ILYX\\e\n[1000]" + kana + "\n",
                   lrc),
              1);
    EXPECT_EQ(told_read_as, "Shift_JIS");
    EXPECT_EQ(test::probes(),
              std::vector<std::string>{std::string(".name\x01", 6) + sakura_utf8 + "\r"});
    EXPECT_EQ(test::timeline_entries(),
              (std::vector<Entry>{{1000, false, "ありがとうありがとう\\e"}}));
}

// A converted line that outgrows the reading buffer, and a lyric that
// outgrows a request, are cut at the end of a whole character.
TEST_F(LyricCharsets, LongLinesAreCutAtAWholeCharacter) {
    const std::string hanzi = test::code_units("d6d0"); // 中: three bytes in UTF-8
    const struct {
        uint32_t hanzi;
        const char* template_text;
    } cases[] = {
        {1500, ""},               // 4,500 bytes of UTF-8: cut by the buffer, then the request
        {1400, ""},               // 4,200 bytes: cut by the request only
        {1400, default_template}, // and with the template's prefix and suffix
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hanzi);
        std::string file = "[1000]";
        for (uint32_t i = 0; i < c.hanzi; ++i)
            file += hanzi;
        ASSERT_EQ(load(file + "\n[2000]end\n", lrc, 1, c.template_text), 2);
        std::vector<Entry> got = test::timeline_entries();
        std::string text = got[0].text;
        EXPECT_LE(text.size(), max_script_length(trailer_utf8));
        EXPECT_GE(text.size(), max_script_length(trailer_utf8) - 3);
        EXPECT_TRUE(valid_utf8(text.data(), static_cast<uint32_t>(text.size())));
        EXPECT_EQ(got[1].text, std::string(c.template_text[0] != '\0' ? wrap("end") : "end"));
    }
}

// A line is converted alike on every system: a byte that begins no
// character, a code the systems do not both give, and one in a user-defined
// area (which they fill unlike each other) all become U+FFFD; what does not
// fit whole stays out.
TEST(LegacyLines, ConvertAlikeOnEverySystem) {
    const struct {
        const char* name;
        LegacyCharset charset;
        std::string line;
        uint32_t room;
        std::string expected;
    } cases[] = {
        {"Shift_JIS", LegacyCharset::shift_jis, test::code_units("82a0 41 b1 815b"), 64, "あAｱー"},
        {"a lead byte without its trail", LegacyCharset::shift_jis, test::code_units("82 20 82"),
         64, replacement + " " + replacement},
        {"a single byte no charset has", LegacyCharset::shift_jis, test::code_units("80 a0 fd"), 64,
         replacement + replacement + replacement},
        {"Shift_JIS unassigned", LegacyCharset::shift_jis, test::code_units("8540 82a0"), 64,
         replacement + "あ"},
        {"Shift_JIS user-defined", LegacyCharset::shift_jis, test::code_units("f040 82a0"), 64,
         replacement + "あ"},
        {"GBK", LegacyCharset::gbk, test::code_units("d6d0 a3ac 8140"), 64, "中，丂"},
        {"GBK user-defined", LegacyCharset::gbk, test::code_units("aaa1 d6d0 a140"), 64,
         replacement + "中" + replacement},
        {"GBK single 0x80", LegacyCharset::gbk, test::code_units("80 d6d0"), 64,
         replacement + "中"},
        {"Big5", LegacyCharset::big5, test::code_units("a4a4 a4e5 a141"), 64, "中文，"},
        {"Big5 user-defined", LegacyCharset::big5, test::code_units("c6a1 8140 fa40 a4a4"), 64,
         replacement + replacement + "@" + replacement + "@中"},
        {"EUC-KR and the extension", LegacyCharset::uhc, test::code_units("c7d1 8141 a1a1"), 64,
         "한갂　"},
        {"EUC-KR user-defined", LegacyCharset::uhc, test::code_units("c9a1 c7d1"), 64,
         replacement + "한"},
        {"cut before a character that does not fit", LegacyCharset::gbk,
         test::code_units("d6d0 cec4"), 5, "中"},
        {"cut before a U+FFFD that does not fit", LegacyCharset::gbk, test::code_units("d6d0 80"),
         5, "中"},
        {"NUL and control bytes pass", LegacyCharset::gbk, std::string("a\0\t", 3) + "\xd6\xd0", 64,
         std::string("a\0\t", 3) + "中"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::Decoder* decoder = platform::decoder_open(legacy_code_page(c.charset));
        ASSERT_NE(decoder, nullptr) << "the system reads " << legacy_charset_name(c.charset);
        std::string out(c.room + 8, '#');
        uint32_t n = legacy_line_to_utf8(decoder, c.charset, c.line.data(),
                                         static_cast<uint32_t>(c.line.size()), out.data(), c.room);
        platform::decoder_close(decoder);
        EXPECT_EQ(out.substr(0, n), c.expected);
        EXPECT_EQ(out.substr(c.room), std::string(8, '#')) << "nothing written past the room";
    }
}

} // namespace
} // namespace lumivox
