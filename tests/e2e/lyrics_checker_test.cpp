// lumivox-lyrics as a user runs it: each reason a track is not sung, the
// lines a file leaves out, and the exit status and messages of bad usage.
#include "tests/e2e/config_blob.h"
#include "tests/e2e/processes.h"
#include "tests/e2e/track_folder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace lumivox::e2e {
namespace {

using nlohmann::json;

class LyricsChecker : public TrackFolder {
  protected:
    Finished check(std::vector<std::string> args) { return run_program("lumivox-lyrics", args); }

    // The candidates' verdicts of a --json report.
    static std::vector<std::string> verdicts(const json& report) {
        std::vector<std::string> out;
        for (const json& c : report["candidates"])
            out.push_back(c["verdict"]);
        return out;
    }
};

TEST_F(LyricsChecker, CheckGivesEveryCandidatesVerdictThenTheLinesSung) {
    write_file(path("song.ssl"), "[00:01.00]no declaration\n");
    write_file(path("song.txt"), "@SakuraScript=1\n[ti:only tags]\n");
    // No mascot host runs: the named ghost cannot be found.
    write_file(path("song.lrc"), "@SakuraScriptGhost=Nobody\n[00:01.00]La\n");
    write_file(path("Title.lrc"), "[00:01.50]Sung\n");

    Finished text = check({"check", path("song.mp3"), "--title", "Title"});
    EXPECT_EQ(text.status, 0) << text.err;
    for (const char* said : {"found, but no @SakuraScript=1", "no time-tagged lines",
                             "names a ghost that is not running", "not found", "chosen",
                             "00:01.500  \\0\\s[25]Sung\\e"})
        EXPECT_NE(text.out.find(said), std::string::npos) << said << "\n" << text.out;

    Finished out = check({"check", path("song.mp3"), "--title", "Title", "--json"});
    ASSERT_EQ(out.status, 0) << out.err;
    json report = json::parse(out.out);
    EXPECT_EQ(verdicts(report),
              (std::vector<std::string>{"not_a_script", "no_lines", "ghost_absent", "not_found",
                                        "not_found", "chosen"}));
    EXPECT_EQ(report["charset"], "UTF-8");
    ASSERT_EQ(report["lines"].size(), 1u);
    EXPECT_EQ(report["lines"][0]["time_ms"], 1500);
    EXPECT_EQ(report["lines"][0]["script"], "\\0\\s[25]Sung\\e");
}

TEST_F(LyricsChecker, SettingsThatForbidLrcFilesAreTold) {
    write_file(path("song.lrc"), "[00:01.00]La\n");
    write_file(path("settings.bin"), word_record(options_guid, 0x1000)); // .lrc off
    Finished out = check({"check", path("song.mp3"), "--settings", path("settings.bin"), "--json"});
    EXPECT_EQ(out.status, 1) << out.err;
    EXPECT_EQ(verdicts(json::parse(out.out)),
              (std::vector<std::string>{"not_found", "not_found", "lrc_not_allowed"}));
}

TEST_F(LyricsChecker, LyricsInTagsComeAfterTheFiles) {
    write_file(path("synced.txt"), "[00:02.00]From the tag\r\n");
    Finished out = check({"check", path("song.mp3"), "--field", "unsynced lyrics=plain words",
                          "--field", "LYRICS=@" + path("synced.txt"), "--json"});
    ASSERT_EQ(out.status, 0) << out.err;
    json report = json::parse(out.out);
    EXPECT_EQ(verdicts(report), (std::vector<std::string>{"not_found", "not_found", "not_found",
                                                          "no_lines", "chosen"}));
    EXPECT_EQ(report["chosen"], "LYRICS");
    ASSERT_EQ(report["lines"].size(), 1u);
    EXPECT_EQ(report["lines"][0]["script"], "\\0\\s[25]From the tag\\e");
}

TEST_F(LyricsChecker, ShowListsTheLinesLeftOutAndWhy) {
    write_file(path("song.lrc"), "[ti:Title]\n"
                                 "a comment\n"
                                 "[00:01.00]\x01 a control byte before the text\n"
                                 "[00:02.00]" +
                                     std::string(5000, 'x') +
                                     "\n"
                                     "\n"
                                     "[00:03.00] Sung\r"
                                     "[00:04.00]\n");
    Finished out = check({"show", path("song.lrc"), "--json"});
    ASSERT_EQ(out.status, 0) << out.err;
    json report = json::parse(out.out);
    std::vector<std::pair<int, std::string>> skipped;
    for (const json& s : report["skipped"])
        skipped.emplace_back(s["line"], s["why"]);
    EXPECT_EQ(skipped,
              (std::vector<std::pair<int, std::string>>{
                  {1, "tag_without_time"}, {2, "no_time_tag"}, {3, "no_lyric"}, {4, "too_long"}}));
    ASSERT_EQ(report["pauses"].size(), 1u);
    EXPECT_EQ(report["pauses"][0]["line"], 7);
    EXPECT_EQ(report["pauses"][0]["text"], "[00:04.00]");
    EXPECT_EQ(verdicts(report), std::vector<std::string>{"chosen"});
    ASSERT_EQ(report["lines"].size(), 2u);
    EXPECT_EQ(report["lines"][0]["time_ms"], 3000);
    EXPECT_EQ(report["lines"][0]["script"], "\\0\\s[25]Sung\\e");
    EXPECT_EQ(report["lines"][0]["pause"], false);
    EXPECT_EQ(report["lines"][1]["time_ms"], 4000);
    EXPECT_EQ(report["lines"][1]["pause"], true);
    EXPECT_TRUE(report["lines"][1]["script"].is_null());
}

// The charset chosen and why: the file's own directive, a byte-order mark,
// valid UTF-8, or the judgement with the charset next best; and the lines
// of a judged file as the ghost gets them, in UTF-8.
TEST_F(LyricsChecker, ShowNamesTheCharsetAndWhy) {
    const struct {
        const char* file;
        std::string bytes;
        const char* reason;
        const char* read_as;
        const char* runner_up;
        const char* said; // in the table
    } cases[] = {
        {"declared.lrc", "@SakuraScriptCharset=Shift_JIS\n[1000]a\n", "declared", nullptr, nullptr,
         "charset Shift_JIS (named by @SakuraScriptCharset)"},
        {"mark.lrc", "\xEF\xBB\xBF[1000]a\n", "byte_order_mark", nullptr, nullptr,
         "charset UTF-8 (byte-order mark)"},
        {"utf8.lrc", "[1000]\xe4\xb8\xad\n", "valid_utf8", nullptr, nullptr,
         "charset UTF-8 (valid UTF-8)"},
        // 中文歌词 in GBK, valid Big5 as well.
        {"gbk.lrc", "[1000]\xd6\xd0\xce\xc4\xb8\xe8\xb4\xca\n", "judged", "GBK", "Big5",
         "charset UTF-8 (converted from GBK: judged, runner-up Big5)"},
        {"none.lrc", "[1000]a\x80\n", "fits_none", nullptr, nullptr,
         "charset UTF-8 (neither UTF-8 nor any charset judged: sent as it stands)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        write_file(path(c.file), c.bytes);
        Finished text = check({"show", path(c.file)});
        EXPECT_EQ(text.status, 0) << text.err;
        EXPECT_NE(text.out.find(c.said), std::string::npos) << text.out;
        Finished out = check({"show", path(c.file), "--json"});
        ASSERT_EQ(out.status, 0) << out.err;
        json report = json::parse(out.out);
        EXPECT_EQ(report["charset_reason"], c.reason);
        EXPECT_EQ(report["read_as"], c.read_as != nullptr ? json(c.read_as) : json());
        EXPECT_EQ(report["runner_up"], c.runner_up != nullptr ? json(c.runner_up) : json());
        if (c.read_as != nullptr) {
            ASSERT_EQ(report["lines"].size(), 1u);
            EXPECT_EQ(report["lines"][0]["script"], "\\0\\s[25]中文歌词\\e");
        }
    }
}

TEST_F(LyricsChecker, BadUsageAndUnreadableFilesSaySo) {
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{}, "needs a command and a file"},
        {{"sing", path("song.mp3")}, "unknown command \"sing\""},
        {{"show", path("missing.lrc")}, "is not a file that can be read"},
        {{"show", path("song.mp3")}, "is not named as a lyric file"},
        {{"show", path("song.mp3"), "--title", "T"}, "does not take \"--title\""},
        {{"check", path("song.mp3"), "--settings", path("missing.bin")},
         "cannot read the settings file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        Finished out = check(c.args);
        EXPECT_EQ(out.status, 2);
        EXPECT_NE(out.err.find(c.message), std::string::npos) << out.err;
        EXPECT_TRUE(out.out.empty()) << out.out;
    }
}

} // namespace
} // namespace lumivox::e2e
