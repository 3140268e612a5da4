// Lyrics held in the track's tags, sung through the substitute host: a track
// with no lyric file beside it is sung from the first lyrics field that holds
// a time-tagged line, a lyric file beside it still wins, and with .lrc files
// not allowed the tags are left unsung as well.
#include "tests/e2e/config_blob.h"
#include "tests/e2e/processes.h"
#include "tests/e2e/track_folder.h"
#include "tests/support/default_scripts.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox::e2e {
namespace {

using test::exit_script;
using test::line_text;
using test::reset;
using test::startup;

// Two lines within the first second: played without a position report, and
// no announcement.
std::string two_lines(const std::string& word, const std::string& end = "\n") {
    return "[00:00.10]" + word + " one" + end + "[00:00.40]" + word + " two" + end;
}

// An ID3v2.4 tag holding one USLT frame (UTF-8, no description) with text.
std::string id3v2_with_uslt(const std::string& text) {
    auto syncsafe = [](size_t n) {
        return std::string{static_cast<char>((n >> 21) & 0x7f), static_cast<char>((n >> 14) & 0x7f),
                           static_cast<char>((n >> 7) & 0x7f), static_cast<char>(n & 0x7f)};
    };
    std::string body = std::string("\x03") + "eng" + std::string(1, '\0') + text;
    std::string frame = "USLT" + syncsafe(body.size()) + std::string(2, '\0') + body;
    return "ID3" + std::string("\x04\x00\x00", 3) + syncsafe(frame.size()) + frame;
}

class TagLyrics : public TrackFolder {
  protected:
    // A track line for song.mp3 with the given fields, played 900 ms.
    std::string track(const std::string& fields) const {
        return "track " + path("song.mp3") + " title=T " + fields + "\nsleep 900\n";
    }

    // Writes bytes to the folder's file name; "@" and its path, for a field.
    std::string at_file(const std::string& name, const std::string& bytes) const {
        write_file(path(name), bytes);
        return "@" + path(name);
    }

    // Each run's two lines, the stop of the run that follows, the exit.
    static std::vector<std::string> sung(const std::vector<std::string>& words) {
        std::vector<std::string> expected = {startup};
        for (const std::string& word : words)
            expected.insert(expected.end(),
                            {line_text(word + " one"), line_text(word + " two"), reset});
        expected.push_back(exit_script);
        return expected;
    }

    std::vector<Record> play(const std::string& tracks, uint32_t options = 0x1100) {
        write_file(path("config.bin"),
                   word_record(features_guid, 0x111) + word_record(options_guid, options));
        return play_configured("start\n" + tracks + "exit\n");
    }
};

TEST_F(TagLyrics, SyncedLyricsInTheFieldsAreSung) {
    std::string plain = at_file("plain.txt", "Words without a time\nand more words\n");
    std::string tracks =
        track("lyrics=" + at_file("a.lrc", two_lines("Lyrics"))) +
        track("\"unsynced lyrics=" + at_file("b.lrc", two_lines("Unsynced")) + "\"") +
        // Plain text in the first field is passed over for a later synced one.
        track("\"unsynced lyrics=" + plain +
              "\" syncedlyrics=" + at_file("c.lrc", two_lines("Synced"))) +
        track("lyrics=" + plain + " unsyncedlyrics=" + at_file("d.lrc", two_lines("Last")));
    EXPECT_EQ(scripts(play(tracks)), sung({"Lyrics", "Unsynced", "Synced", "Last"})) << host_.err;
}

TEST_F(TagLyrics, LinesEndWithCrLfOrALoneCr) {
    std::string tracks = track("lyrics=" + at_file("crlf.lrc", two_lines("Crlf", "\r\n"))) +
                         track("lyrics=" + at_file("cr.lrc", two_lines("Cr", "\r")));
    EXPECT_EQ(scripts(play(tracks)), sung({"Crlf", "Cr"})) << host_.err;
}

TEST_F(TagLyrics, LyricFileBesideTheTrackWins) {
    write_file(path("song.lrc"), two_lines("File"));
    std::string tracks = track("lyrics=" + at_file("tag.lrc", two_lines("Tag")));
    EXPECT_EQ(scripts(play(tracks)), sung({"File"})) << host_.err;
}

TEST_F(TagLyrics, NotSungWhenLrcFilesAreNotAllowed) {
    std::string tracks = track("lyrics=" + at_file("tag.lrc", two_lines("Tag")));
    std::vector<std::string> expected = {startup, "\\0\\s[0]Next song is T\\e", exit_script};
    EXPECT_EQ(scripts(play(tracks, 0x1000)), expected) << host_.err;
}

// The player reads an ID3v2 USLT frame as UNSYNCED LYRICS; the native host
// reads real tags (the Windows one only the scenario's).
TEST_F(TagLyrics, UsltFrameOfAnMp3IsSung) {
    if (lane().windows)
        GTEST_SKIP() << "the Windows host reads no ID3v2 tags";
    write_file(path("song.mp3"), id3v2_with_uslt(two_lines("Uslt")) + "not really audio");
    EXPECT_EQ(scripts(play(track(""))), sung({"Uslt"})) << host_.err;
}

TEST_F(TagLyrics, UnreadableFieldFileIsAScenarioError) {
    Finished f = run_program("lumivox-host", {"run", "-"},
                             "start\ntrack " + path("song.mp3") + " lyrics=@" + path("none.lrc") +
                                 "\nexit\n");
    EXPECT_NE(f.status, 0);
    EXPECT_NE(f.status, -1) << "still running";
    EXPECT_NE(f.err.find("line 2: cannot read \"" + path("none.lrc") + "\""), std::string::npos)
        << f.err;
}

} // namespace
} // namespace lumivox::e2e
