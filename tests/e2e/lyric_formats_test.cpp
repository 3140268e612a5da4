// Lyric files as users have them, sung through the substitute host: .lrc
// offsets and word timing, UTF-16 files, and Shift_JIS files that do not
// say so (converted to UTF-8) or do, each with the charset the ghost is told.
#include "tests/e2e/config_blob.h"
#include "tests/e2e/processes.h"
#include "tests/e2e/track_folder.h"
#include "tests/support/default_scripts.h"
#include "tests/support/utf16_text.h"

#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace lumivox::e2e {
namespace {

using test::exit_script;
using test::line_text;
using test::reset;
using test::startup;

const std::string kirakira = "\xe3\x81\x8d\xe3\x82\x89\xe3\x81\x8d\xe3\x82\x89"; // きらきら
const std::string note = "\xf0\x9f\x8e\xb5"; // U+1F3B5, a surrogate pair in UTF-16
const std::string sakura_sjis = "\x82\xb3\x82\xad\x82\xe7";

using test::utf16_file;

// How the ghost's record shows bytes that are not UTF-8: each byte as the
// code point of its number.
std::string as_recorded(const std::string& bytes) {
    std::string out;
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | b >> 6);
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

// One lyric file beside its own track, and what the ghost must be sent.
struct Sung {
    const char* what;
    std::string file_name; // the track is the same name with ".mp3"
    std::string bytes;
    std::string script;
    std::optional<std::string> charset;
};

class LyricFormats : public TrackFolder {
  protected:
    // Each file's track in turn, 900 ms each; the records are checked one
    // track at a time: its line, then the stop the next track sends.
    void sing(const std::vector<Sung>& files, uint32_t options) {
        write_file(path("config.bin"),
                   word_record(features_guid, 0x111) + word_record(options_guid, options));
        std::string scenario = "start\n";
        for (const Sung& s : files) {
            std::string base = s.file_name.substr(0, s.file_name.find('.'));
            write_file(path(s.file_name), s.bytes);
            write_file(path(base + ".mp3"), "not really audio");
            scenario += "track " + path(base + ".mp3") + " title=T\nsleep 900\n";
        }
        auto records = play_configured(scenario + "exit\n");
        ASSERT_EQ(records.size(), 2 * files.size() + 2) << testing::PrintToString(scripts(records));
        EXPECT_EQ(records.front().script, startup);
        EXPECT_EQ(records.back().script, exit_script);
        for (size_t i = 0; i < files.size(); ++i) {
            SCOPED_TRACE(files[i].what);
            const Record& line = records[1 + 2 * i];
            EXPECT_EQ(line.script, files[i].script);
            EXPECT_EQ(line.charset, files[i].charset);
            EXPECT_EQ(records[2 + 2 * i].script, reset);
        }
    }
};

TEST_F(LyricFormats, EachFileFormatIsSungWithItsCharset) {
    const std::string sjis_line = "[00:00.10]" + sakura_sjis + "\n";
    const std::string ghost_file = "@SakuraScript=1\r\n@SakuraScriptCharset=Shift_JIS\r\n"
                                   "@SakuraScriptGhost=Lumi\r\n[00:00.10]" +
                                   kirakira + "\r\n";
    const std::vector<Sung> files = {
        // At 2.5 s it would not come before the next track, and the track
        // would be announced.
        {"offset", "offset.lrc", "[offset:+2000]\n[00:02.50]Early\n", line_text("Early"), "UTF-8"},
        {"word stamps", "words.lrc", "[00:00.10]<00:00.10>Twin<00:00.40>kle <00:00.60>star\n",
         line_text(R"(Twin\_w[300]kle \_w[200]star)"), "UTF-8"},
        {"UTF-16 LE naming Shift_JIS and the ghost", "le.ssl", utf16_file(ghost_file, false),
         line_text(kirakira), "UTF-8"},
        {"UTF-16 BE", "be.lrc", utf16_file("[00:00.10]" + kirakira + " " + note + "\n", true),
         line_text(kirakira + " " + note), "UTF-8"},
        // Converted to UTF-8 from the charset judged.
        {"undeclared Shift_JIS .lrc", "sjis.lrc", sjis_line, line_text("さくら"), "UTF-8"},
        {"undeclared Shift_JIS .txt, page Default", "sjis_txt.txt", "@SakuraScript=1\n" + sjis_line,
         line_text("さくら"), "UTF-8"},
        {"named Shift_JIS", "named.lrc", "@SakuraScriptCharset=Shift_JIS\n" + sjis_line,
         as_recorded(line_text(sakura_sjis)), "Shift_JIS"},
        {"neither UTF-8 nor Shift_JIS", "neither.lrc", "[00:00.10]a\x80\n",
         as_recorded(line_text("a\x80")), "UTF-8"},
    };
    sing(files, 0x1100);
}

// With the page's charset named, a .txt file is sent in it as before.
TEST_F(LyricFormats, TxtInTheNamedPageCharsetIsNotGuessed) {
    const std::string file = "@SakuraScript=1\n[00:00.10]" + sakura_sjis + "\n";
    const std::vector<Sung> files = {
        {"page UTF-8", "sjis.txt", file, as_recorded(line_text(sakura_sjis)), "UTF-8"},
    };
    sing(files, 0x1101);
}

// A seek into a word-timed line resends the rest of it from inside the
// word, like any line with waits.
TEST_F(LyricFormats, SeekIntoAWordTimedLineResumesMidWord) {
    write_file(path("song.lrc"), "[00:01.00]<00:01.00>Twin<00:02.00>kle <00:03.00>little\n"
                                 "[00:09.00]Later\n");
    write_file(path("config.bin"), word_record(features_guid, 0x111));
    auto records = play_configured("start\n"
                                   "track " +
                                   path("song.mp3") +
                                   " title=T\n"
                                   "time 0.5\n"
                                   "sleep 1200\n"
                                   "seek 1.5\n"
                                   "time 1.5\n"
                                   "sleep 300\n"
                                   "exit\n");
    std::vector<std::string> got = scripts(records);
    if (got.size() > 3)
        got[3] = settled_wait(got[3], 500);
    std::vector<std::string> expected = {
        startup, line_text(R"(Twin\_w[1000]kle \_w[1000]little)"),
        reset,   R"(\0\s[25]\0\_w[500]kle \_w[1000]little\e)",
        reset,   exit_script,
    };
    EXPECT_EQ(got, expected) << host_.err;
}

} // namespace
} // namespace lumivox::e2e
