// .lrc files as they are written in the wild, sung through the substitute
// host to the substitute ghost: a blank after the time tag, lone CR line
// ends, Chinese, Korean and Japanese files that do not name their charset,
// and the pauses between lines. What the ghost shows must be the text the
// test wrote, in UTF-8.
#include "tests/e2e/config_blob.h"
#include "tests/e2e/processes.h"
#include "tests/e2e/track_folder.h"
#include "tests/support/default_scripts.h"
#include "tests/support/legacy_texts.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox::e2e {
namespace {

using test::exit_script;
using test::line_text;
using test::reset;
using test::startup;

// One file beside its own track, and what the ghost is to get while the
// track plays, before the next track's stop sends the reset.
struct Sung {
    const char* what;
    std::string file_name; // the track is the same name with ".mp3"
    std::string bytes;
    std::vector<std::string> scripts;
};

// Lines at 50, 250 and 450 ms of a track that plays 900 ms.
std::string timed(const std::vector<std::string>& lyrics, const char* end = "\n") {
    std::string out;
    int ms = 50;
    for (const std::string& lyric : lyrics) {
        out += "[" + std::to_string(ms) + "]" + lyric + end;
        ms += 200;
    }
    return out;
}

class WildLyrics : public TrackFolder {
  protected:
    // Each file's track in turn; every lyric request must say UTF-8.
    void sing(const std::vector<Sung>& files, uint32_t options = 0x1100) {
        write_file(path("config.bin"),
                   word_record(features_guid, 0x111) + word_record(options_guid, options));
        std::string scenario = "start\n";
        std::vector<std::string> expected = {startup};
        for (const Sung& s : files) {
            std::string base = s.file_name.substr(0, s.file_name.find('.'));
            write_file(path(s.file_name), s.bytes);
            write_file(path(base + ".mp3"), "not really audio");
            scenario += "track " + path(base + ".mp3") + " title=T\nsleep 900\n";
            expected.insert(expected.end(), s.scripts.begin(), s.scripts.end());
            expected.push_back(reset);
        }
        expected.push_back(exit_script);
        auto records = play_configured(scenario + "exit\n");
        EXPECT_EQ(scripts(records), expected) << host_.err;
        for (const Record& r : records) {
            if (r.script && r.script->rfind("\\0\\s[25]", 0) == 0) {
                EXPECT_EQ(r.charset, std::optional<std::string>("UTF-8")) << *r.script;
            }
        }
    }
};

TEST_F(WildLyrics, LinesAreSungAsWritten) {
    const std::vector<Sung> files = {
        {"a blank after the tag",
         "blank.lrc",
         "[00:00.05] 今日 死んでいくような\n",
         {line_text("今日 死んでいくような")}},
        {"a tab after two tags",
         "tags.lrc",
         "[00:00.05][00:00.25]\tLa la\n",
         {line_text("La la"), line_text("La la")}},
        {"word stamps with blanks",
         "words.lrc",
         "[00:00.050] chu <00:00.200> chu\n",
         {line_text(R"(chu \_w[150] chu)")}},
        {"a credit line", "credit.lrc", "[00:00.050] 作词 : 山田\n", {line_text("作词 : 山田")}},
        {"lone CR line ends",
         "cr.lrc",
         timed({"one", "two", "three"}, "\r"),
         {line_text("one"), line_text("two"), line_text("three")}},
        {"mixed line ends",
         "mixed.lrc",
         "[ti:Mixed]\r[50]one\r\n[250]two\n\r[450]three",
         {line_text("one"), line_text("two"), line_text("three")}},
        // The blank lines before the first line and right after a pause
        // send nothing.
        {"pauses",
         "pauses.lrc",
         "[00:00.00]\n[00:00.05]one\n[00:00.15]\n[00:00.20]  \n[00:00.30]two\n[00:00.45]\n",
         {line_text("one"), reset, line_text("two"), reset}},
    };
    sing(files);
}

// Every text as an .lrc file, and one as a .txt file while the page says
// "Default": converted from its charset, sung as written.
TEST_F(WildLyrics, CharsetsAreJudgedAndSungAsWritten) {
    std::vector<Sung> files;
    int n = 0;
    for (const test::LegacyText& sample : test::legacy_texts()) {
        std::vector<std::string> lyrics;
        std::vector<std::string> scripts;
        for (const test::LegacyLine& line : sample.lines) {
            lyrics.push_back(line.bytes);
            scripts.push_back(line_text(line.text));
        }
        files.push_back(
            {sample.name, "judged" + std::to_string(n++) + ".lrc", timed(lyrics), scripts});
    }
    const test::LegacyText& gbk = test::legacy_texts().front();
    files.push_back({"GBK .txt, page Default",
                     "judged_txt.txt",
                     "@SakuraScript=1\r\n" + timed({gbk.lines[0].bytes}, "\r\n"),
                     {line_text(gbk.lines[0].text)}});
    sing(files);
}

// A seek into a pause holds the run (its reset) and sends nothing until the
// next line: the line before the pause, whose waits run past it, is not
// resumed; the position report after the seek changes nothing.
TEST_F(WildLyrics, SeekIntoAPauseSendsNothingUntilTheNextLine) {
    write_file(path("song.lrc"), "[00:00.10]<00:00.10>Twin<00:02.00>kle\n"
                                 "[00:01.00]\n"
                                 "[00:02.00]Later\n");
    write_file(path("config.bin"), word_record(features_guid, 0x111));
    auto records = play_configured("start\n"
                                   "track " +
                                   path("song.mp3") +
                                   " title=T\n"
                                   "sleep 300\n"
                                   "seek 1.2\n"
                                   "time 1.2\n"
                                   "sleep 1400\n"
                                   "exit\n");
    std::vector<std::string> expected = {
        startup, line_text(R"(Twin\_w[1900]kle)"), reset, line_text("Later"), reset, exit_script,
    };
    EXPECT_EQ(scripts(records), expected) << host_.err;
}

} // namespace
} // namespace lumivox::e2e
