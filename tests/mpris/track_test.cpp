// What lumivox-mpris makes of a player's Metadata before the component sees
// it: the URL's path, whether the tags arrived, and the tags it is told.
#include "tests/e2e/processes.h"
#include "tests/mpris/mpv.h"
#include "tools/mpris/track.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace lumivox::mpris {
namespace {

TEST(Track, LocalPathOfAUrl) {
    struct Case {
        const char* url;
        std::optional<std::string> path;
    };
    const Case cases[] = {
        {"file:///music/one%20song.wav", "/music/one song.wav"},
        {"file://localhost/music/a.flac", "/music/a.flac"},
        {"file:/music/a.ogg", "/music/a.ogg"},
        {"file:///caf%C3%A9/%e3%81%82%25.mp3", "/caf\xc3\xa9/\xe3\x81\x82%.mp3"},
        {"file:///music/50%", std::nullopt},         // a cut escape
        {"file:///music/%zz.mp3", std::nullopt},     // no hex digits
        {"file:///music/a%00.mp3", std::nullopt},    // no path holds a NUL
        {"file://server/share/a.mp3", std::nullopt}, // another machine's
        {"https://radio.invalid/stream", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(local_path(c.url), c.path) << c.url;
}

TEST(Track, TagsHaveArrivedWhenTheTitleIsMoreThanTheFileName) {
    const std::string url = "file:///music/one%20song.wav";
    struct Case {
        const char* title;
        const char* artist;
        bool arrived;
    };
    const Case cases[] = {
        {"one song.wav", "", false}, // mpv's first update
        {"one song", "", false},     {"", "", false},
        {"First Tune", "", true},    {"one song.wav", "Ann Artist", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tags_arrived({"/0", url, c.title, c.artist}), c.arrived) << c.title;
}

TEST(Track, PlayersTagsComeFirstAndTheFilesFillIn) {
    std::string folder = e2e::make_temp_folder();
    std::string tagged = folder + "/tagged.wav";
    mpris_test::write_wav(tagged, 0.1, "File Title", "File Artist");
    std::string bare = folder + "/bare.mp3";
    e2e::write_file(bare, "not audio");
    struct Case {
        std::string path;
        std::string title;
        std::string artist;
        std::string want_title;
        std::string want_artist;
    };
    const Case cases[] = {
        {tagged, "Player Title", "Player Artist", "Player Title", "Player Artist"},
        {tagged, "tagged.wav", "", "File Title", "File Artist"}, // the file name is no title
        {bare, "bare.mp3", "", "bare.mp3", ""},
    };
    for (const Case& c : cases) {
        std::string url = "file://" + c.path;
        tools::TrackInfo info = track_info({"/1", url, c.title, c.artist}, c.path);
        EXPECT_EQ(info.location, url);
        auto value = [&](const char* name) {
            for (const tools::TrackField& f : info.fields) {
                if (tools::same_field_name(f.name, name) && !f.values.empty())
                    return f.values[0];
            }
            return std::string();
        };
        EXPECT_EQ(value("TITLE"), c.want_title) << c.title;
        EXPECT_EQ(value("ARTIST"), c.want_artist) << c.title;
    }
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace lumivox::mpris
