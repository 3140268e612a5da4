#include "timeline/lookup.h"

#include "component/settings.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/syscalls.h"
#include "sstp/request.h"
#include "sync/start_tick.h"
#include "tests/support/recording_transport.h"
#include "tests/timeline/lyric_files.h"
#include "timeline/lyric_folders.h"
#include "timeline/timeline.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox {
namespace {

// Every file the lookup tried to open, with the trailer set for it.
struct Attempt {
    std::string name; // the file name, without the folder
    const CharsetTrailer* trailer;
    bool operator==(const Attempt&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Attempt& attempt) {
    const char* trailer = attempt.trailer == trailer_utf8        ? "utf8"
                          : attempt.trailer == trailer_shift_jis ? "sjis"
                          : attempt.trailer == trailer_plain     ? "plain"
                                                                 : "?";
    return out << attempt.name << " (" << trailer << ")";
}

std::vector<std::string> opened_paths;
std::vector<const CharsetTrailer*> opened_trailers;

platform::FileHandle record_open(const char* path) {
    opened_paths.push_back(path);
    opened_trailers.push_back(current_trailer);
    return platform::real_calls.file_open(path);
}

const char sep = platform::path_separator();
const CharsetTrailer* const utf8 = trailer_utf8;
const CharsetTrailer* const plain = trailer_plain;
const CharsetTrailer* const sjis = trailer_shift_jis;

class LookupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        free_timeline();
        test::use_recording_transport();
        opened_paths.clear();
        opened_trailers.clear();
        platform::replace_call(&platform::SystemCalls::file_open, &record_open);
    }
    void TearDown() override {
        platform::restore_calls();
        free_timeline();
        cfg_lyrics_folder.truncate(0);
        set_profile_lyrics_folder(nullptr);
        set_home_lyrics_folder(nullptr);
    }

    std::string track(const std::string& file_name) const {
        return "file://" + folder.path() + sep + file_name;
    }
    // The attempts, as names within the folder; a path elsewhere is kept whole.
    std::vector<Attempt> attempts() const {
        std::vector<Attempt> result;
        std::string start = folder.path() + sep;
        for (size_t i = 0; i < opened_paths.size(); ++i) {
            const std::string& path = opened_paths[i];
            bool inside = path.compare(0, start.size(), start) == 0;
            result.push_back({inside ? path.substr(start.size()) : path, opened_trailers[i]});
        }
        return result;
    }

    test::TempFolder folder;
};

TEST_F(LookupTest, TriesTheCandidatesInOrder) {
    const std::string sub = std::string("sub.d") + sep;
    struct Case {
        const char* name;
        std::string file_name;
        const char* title;
        const char* artist;
        uint32_t options;
        std::vector<Attempt> expected;
    };
    const Case cases[] = {
        {"all nine",
         "Song.mp3",
         "T",
         "A",
         0x1100,
         {{"Song.ssl", utf8},
          {"Song.txt", plain},
          {"Song.lrc", utf8},
          {"T.ssl", utf8},
          {"T.txt", plain},
          {"T.lrc", utf8},
          {"A - T.ssl", utf8},
          {"A - T.txt", plain},
          {"A - T.lrc", utf8}}},
        {"no .lrc, charset UTF-8",
         "Song.mp3",
         "T",
         "A",
         0x1001,
         {{"Song.ssl", utf8},
          {"Song.txt", utf8},
          {"T.ssl", utf8},
          {"T.txt", utf8},
          {"A - T.ssl", utf8},
          {"A - T.txt", utf8}}},
        {"charset Shift_JIS",
         "Song.mp3",
         nullptr,
         nullptr,
         0x102,
         {{"Song.ssl", utf8}, {"Song.txt", sjis}, {"Song.lrc", utf8}}},
        {"charset index 3 is plain",
         "Song.mp3",
         "",
         "A",
         0x3,
         {{"Song.ssl", utf8}, {"Song.txt", plain}}},
        {"no artist",
         "Song.mp3",
         "T",
         nullptr,
         0x0,
         {{"Song.ssl", utf8}, {"Song.txt", plain}, {"T.ssl", utf8}, {"T.txt", plain}}},
        {"no dot in the name",
         "Song",
         "T",
         "A",
         0x0,
         {{"T.ssl", utf8}, {"T.txt", plain}, {"A - T.ssl", utf8}, {"A - T.txt", plain}}},
        {"last dot", "a.b.flac", nullptr, nullptr, 0x0, {{"a.b.ssl", utf8}, {"a.b.txt", plain}}},
        {"dot only in the folder",
         sub + "Song",
         "T",
         nullptr,
         0x0,
         {{sub + "T.ssl", utf8}, {sub + "T.txt", plain}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        opened_paths.clear();
        opened_trailers.clear();
        EXPECT_EQ(
            find_lyrics_for_track("", c.options, track(c.file_name).c_str(), c.title, c.artist),
            -1);
        EXPECT_EQ(attempts(), c.expected);
        EXPECT_EQ(entries, nullptr);
    }
}

// A tag that would take its candidate out of the track's folder skips that
// candidate (the title skips both of its own), and only that.
TEST_F(LookupTest, TagsThatLeaveTheFolderAreNotTried) {
    const std::vector<std::string> own = {"Song.ssl", "Song.txt"};
    auto with = [&own](std::vector<std::string> more) {
        more.insert(more.begin(), own.begin(), own.end());
        return more;
    };
    struct Case {
        const char* title;
        const char* artist;
        std::vector<std::string> tried;
    };
    const Case cases[] = {
        {"../x", "A", own},
        {"a/b", "A", own},
        {"a\\b", "A", own},
        {"..", "A", own},
        {"x/..", "A", own},
        {"a..b", "A", with({"a..b.ssl", "a..b.txt", "A - a..b.ssl", "A - a..b.txt"})},
        {"...", "A", with({"....ssl", "....txt", "A - ....ssl", "A - ....txt"})},
        {"T", "../up", with({"T.ssl", "T.txt"})},
        {"T", "a\\b", with({"T.ssl", "T.txt"})},
        {"T", "..", with({"T.ssl", "T.txt"})},
        {"T", "a..b", with({"T.ssl", "T.txt", "a..b - T.ssl", "a..b - T.txt"})},
#ifdef _WIN32
        // A drive-relative path, or a stream of another file.
        {"C:x", "A", own},
        {"T", "C:", with({"T.ssl", "T.txt"})},
#else
        {"C:x", "A", with({"C:x.ssl", "C:x.txt", "A - C:x.ssl", "A - C:x.txt"})},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.title) + " / " + c.artist);
        opened_paths.clear();
        opened_trailers.clear();
        EXPECT_EQ(find_lyrics_for_track("", 0x0, track("Song.mp3").c_str(), c.title, c.artist), -1);
        std::vector<std::string> names;
        for (const Attempt& attempt : attempts())
            names.push_back(attempt.name);
        EXPECT_EQ(names, c.tried);
    }
}

TEST_F(LookupTest, StopsAtTheFirstFileThatLoads) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        uint32_t options;
        int32_t result;
        size_t attempts;
        const CharsetTrailer* trailer;
    };
    const std::string lyric = "@SakuraScript=1\n[1500]a\n";
    const Case cases[] = {
        {".txt with charset index 2", {{"T.txt", lyric}}, 0x2, 1500, 4, sjis},
        {"the same file as .ssl", {{"T.ssl", lyric}}, 0x2, 1500, 3, utf8},
        {"the file names its charset",
         {{"T.txt", "@SakuraScriptCharset=UTF-8\n" + lyric}},
         0x2,
         1500,
         4,
         utf8},
        {".lrc needs no declaration", {{"Song.lrc", "[00:00.00]a\n"}}, 0x100, 0, 3, utf8},
        {".lrc not allowed", {{"Song.lrc", "[1000]a\n"}}, 0x0, -1, 6, plain},
        {"a rejected candidate, then the next",
         {{"Song.ssl", "[1000]a\n"}, {"Song.txt", "@SakuraScript=1\n[2000]b\n"}},
         0x0,
         2000,
         2,
         plain},
        {"artist and title", {{"A - T.ssl", lyric}}, 0x0, 1500, 5, utf8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder own;
        for (const auto& [name, bytes] : c.files)
            own.write(name, bytes);
        free_timeline();
        opened_paths.clear();
        opened_trailers.clear();
        std::string path = "file://" + own.path() + sep + "Song.mp3";
        EXPECT_EQ(find_lyrics_for_track("", c.options, path.c_str(), "T", "A"), c.result);
        EXPECT_EQ(opened_paths.size(), c.attempts);
        EXPECT_EQ(current_trailer, c.trailer);
        EXPECT_EQ(entries != nullptr, c.result >= 0);
    }
}

TEST_F(LookupTest, SetsTheStartTickWhateverHappens) {
    const std::string local = track("Song.mp3").substr(7);
    struct Case {
        std::string path;
        bool tried;
    };
    const Case cases[] = {
        {"file://" + local, true},
        {"FILE://" + local, true},
        {"http://" + local, false},
        {"file:" + local, false},
        {"file://Song.mp3", false}, // no separator at all
#ifdef _WIN32
        // Windows paths from the host use "\": a "/"-only path finds nothing.
        {"file://C:/Music/Song.mp3", false},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        opened_paths.clear();
        start_tick = 0;
        uint32_t before = platform::tick_count();
        EXPECT_EQ(find_lyrics_for_track("", 0x100, c.path.c_str(), "T", "A"), -1);
        uint32_t after = platform::tick_count();
        uint32_t tick = start_tick;
        EXPECT_LE(tick - before, after - before);
        EXPECT_EQ(!opened_paths.empty(), c.tried);
    }
}

TEST_F(LookupTest, RefusesCandidatesLongerThanTheBuffer) {
    // The folder, base name and extension must fit 2,051 bytes and a NUL.
    std::string folder_path = folder.path() + sep;
    size_t room = lyric_path_buffer_size - 1 - folder_path.size() - 4;
    struct Case {
        const char* name;
        std::string file_name;
        std::string title;
        size_t attempts;
    };
    const Case cases[] = {
        {"own name just fits", std::string(room, 'n') + ".mp3", "", 2},
        {"own name one byte too long", std::string(room + 1, 'n') + ".mp3", "", 0},
        {"title too long, own name fits", "Song.mp3", std::string(room + 1, 't'), 2},
        {"title just fits", "Song.mp3", std::string(room, 't'), 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        opened_paths.clear();
        std::string path = "file://" + folder_path + c.file_name;
        EXPECT_EQ(find_lyrics_for_track("", 0x0, path.c_str(), c.title.c_str(), nullptr), -1);
        ASSERT_EQ(opened_paths.size(), c.attempts);
        for (const std::string& opened : opened_paths)
            EXPECT_LE(opened.size(), lyric_path_buffer_size - 1);
    }
    // A folder longer than the buffer: nothing is tried.
    opened_paths.clear();
    std::string deep = "file://" + folder_path + std::string(3000, 'd') + sep + "Song.mp3";
    EXPECT_EQ(find_lyrics_for_track("", 0x100, deep.c_str(), "T", "A"), -1);
    EXPECT_TRUE(opened_paths.empty());
}

// After the nine candidates, the first lyrics field with a time-tagged line
// that loads is sung as an .lrc file would be; only while .lrc files are
// allowed, and a file beside the track still wins.
TEST_F(LookupTest, SingsLyricsHeldInTheTracksFields) {
    struct Case {
        const char* name;
        LyricFields fields;
        std::vector<std::pair<std::string, std::string>> files;
        uint32_t options;
        const char* path; // nullptr: Song.mp3 in the case's folder
        std::vector<test::Entry> expected;
    };
    const char* const plain_text = "Words without a time\nand more words";
    const Case cases[] = {
        {"the only field", {{nullptr, "[00:01.00]a\n"}}, {}, 0x100, nullptr, {{1000, false, "a"}}},
        {"plain text passed over for the next",
         {{plain_text, "[ti:Song]\r\n[ar:Someone]", "[00:02.00]b", "[00:03.00]c"}},
         {},
         0x100,
         nullptr,
         {{2000, false, "b"}}},
        {"a field that loads nothing passed over",
         {{"[00:01.00]\n[00:02.00] ", nullptr, nullptr, "[00:04.00]d"}},
         {},
         0x100,
         nullptr,
         {{4000, false, "d"}}},
        {".lrc syntax, CR line ends",
         {{nullptr, nullptr, "[offset:500]\r[00:01.50]<00:01.50>a<00:02.00>b\r"}},
         {},
         0x100,
         nullptr,
         {{1000, false, R"(a\_w[500]b)"}}},
        {"a file beside the track wins",
         {{"[00:01.00]a"}},
         {{"Song.lrc", "[00:05.00]f\n"}},
         0x100,
         nullptr,
         {{5000, false, "f"}}},
        {".lrc files not allowed", {{"[00:01.00]a"}}, {}, 0x0, nullptr, {}},
        {"no local file",
         {{"[00:01.00]a"}},
         {},
         0x100,
         "http://example.invalid/stream",
         {{1000, false, "a"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder own;
        for (const auto& [name, bytes] : c.files)
            own.write(name, bytes);
        free_timeline();
        opened_paths.clear();
        current_trailer = sjis;
        std::string path = c.path != nullptr ? c.path : "file://" + own.path() + sep + "Song.mp3";
        int32_t first =
            find_lyrics_for_track("", c.options | 0x2, path.c_str(), "T", "A", &c.fields);
        EXPECT_EQ(first, c.expected.empty() ? -1 : c.expected[0].time);
        EXPECT_EQ(test::timeline_entries(), c.expected);
        if (!c.expected.empty() && c.files.empty()) {
            EXPECT_EQ(current_trailer, utf8) << "tag text is UTF-8";
            EXPECT_EQ(opened_paths.size(), c.path != nullptr ? 0u : 9u);
        }
    }
    // No fields at all, as before.
    free_timeline();
    EXPECT_EQ(find_lyrics_for_track("", 0x100, track("Song.mp3").c_str(), "T", "A", nullptr), -1);
}

TEST_F(LookupTest, FindsTimeTaggedLines) {
    struct Case {
        const char* text;
        bool tagged;
    };
    const Case cases[] = {
        {"[00:01.00]a", true},      {"plain\n[1000]a", true},     {"plain\r[1000]", true},
        {"plain\r\n[1:00]a", true}, {"[ti:Song]\n[ar:x]", false}, {"[1000\n]a", false},
        {" [1000]a", false},        {"plain words", false},       {"", false},
        {"[offset:500]", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(holds_time_tagged_line(c.text), c.tagged);
    }
}

// Each extension is read as its kind: .lrc syntax only in .lrc files, and an
// undeclared charset told from the bytes, and converted to UTF-8, in .lrc
// files and in .txt files while the page says "Default".
TEST_F(LookupTest, ReadsEachKindOfFileAsItsOwn) {
    const std::string sakura_sjis = "\x82\xb3\x82\xad\x82\xe7";
    const std::string sakura_utf8 = "\xe3\x81\x95\xe3\x81\x8f\xe3\x82\x89";
    const std::string file =
        "@SakuraScript=1\n[offset:500]\n[00:01.00]" + sakura_sjis + "<00:01.50>x\n";
    const std::string as_text = sakura_sjis + "<00:01.50>x";
    struct Case {
        const char* name;
        const char* file_name;
        uint32_t options;
        const CharsetTrailer* trailer;
        test::Entry expected;
    };
    const Case cases[] = {
        {".lrc", "Song.lrc", 0x101, utf8, {500, false, sakura_utf8 + R"(\_w[500]x)"}},
        {".txt, page Default", "Song.txt", 0x0, utf8, {1000, false, sakura_utf8 + "<00:01.50>x"}},
        {".txt, page UTF-8", "Song.txt", 0x1, utf8, {1000, false, as_text}},
        {".txt, charset index 3", "Song.txt", 0x3, plain, {1000, false, as_text}},
        {".ssl", "Song.ssl", 0x100, utf8, {1000, false, as_text}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder own;
        own.write(c.file_name, file);
        free_timeline();
        std::string path = "file://" + own.path() + sep + "Song.mp3";
        EXPECT_EQ(find_lyrics_for_track("", c.options, path.c_str(), nullptr, nullptr),
                  c.expected.time);
        EXPECT_EQ(current_trailer, c.trailer);
        EXPECT_EQ(test::timeline_entries(), std::vector<test::Entry>{c.expected});
    }
}

// A portable player names tracks near it relative to its own folder; they
// are looked up as any local track.
TEST_F(LookupTest, ResolvesTracksRelativeToThePlayersFolder) {
    char program[lyric_path_buffer_size];
    ASSERT_GT(platform::program_folder(program, sizeof program), 0u);
    const std::string program_folder = program;
    ASSERT_EQ(program_folder.back(), sep);
    const std::string own_name =
        std::filesystem::path(program_folder.substr(0, program_folder.size() - 1))
            .filename()
            .string();
    const std::string beside = "lumivox-relative-" + std::to_string(platform::tick_count());
    std::filesystem::create_directories(program_folder + beside);
    { std::ofstream(program_folder + beside + sep + "Song.lrc") << "[00:01.00]relative\n"; }
    const std::string up = std::string("..") + sep + own_name + sep;
    struct Case {
        std::string path;
        int32_t first;
    };
    const Case cases[] = {
        {"file-relative://" + beside + sep + "Song.mp3", 1000},
        {"file-relative://." + std::string(1, sep) + beside + sep + "Song.mp3", 1000},
        {"FILE-RELATIVE://" + up + beside + sep + "Song.mp3", 1000},
        {"file-relative://" + beside + sep + "Other.mp3", -1},
        {"file-relative:/" + beside + sep + "Song.mp3", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        free_timeline();
        opened_paths.clear();
        EXPECT_EQ(find_lyrics_for_track("", 0x100, c.path.c_str(), nullptr, nullptr), c.first);
        if (c.first >= 0) {
            EXPECT_EQ(opened_paths.back(),
                      program_folder + c.path.substr(16, c.path.size() - 16 - 4) + ".lrc");
        }
    }
    std::filesystem::remove_all(program_folder + beside);
    // A player folder and a relative path too long for the buffer together.
    free_timeline();
    opened_paths.clear();
    std::string deep =
        "file-relative://" + std::string(lyric_path_buffer_size, 'd') + sep + "S.mp3";
    EXPECT_EQ(find_lyrics_for_track("", 0x100, deep.c_str(), "T", "A"), -1);
    EXPECT_TRUE(opened_paths.empty());
}

// After the track's folder and tags: the user's folder, the profile's
// lyrics folder, the platform's own; in each "Artist - Title" then "Title",
// with every extension.
TEST_F(LookupTest, TriesTheLyricFoldersAfterTheTrack) {
    test::TempFolder user, profile, home;
    cfg_lyrics_folder.set(user.path().c_str(), whole_text);
    set_profile_lyrics_folder(("file://" + profile.path()).c_str());
    set_home_lyrics_folder((home.path() + sep).c_str());
    const std::string profile_lyrics = profile.path() + sep + "lyrics" + sep;
    auto three = [](const std::string& base) {
        return std::vector<std::string>{base + ".ssl", base + ".txt", base + ".lrc"};
    };
    std::vector<std::string> expected = {"Song.ssl", "Song.txt",  "Song.lrc",  "T.ssl",    "T.txt",
                                         "T.lrc",    "A - T.ssl", "A - T.txt", "A - T.lrc"};
    for (const std::string& folder_path : {user.path() + sep, profile_lyrics, home.path() + sep})
        for (const char* base : {"A - T", "T"})
            for (const std::string& name : three(folder_path + base))
                expected.push_back(name);
    EXPECT_EQ(find_lyrics_for_track("", 0x1100, track("Song.mp3").c_str(), "T", "A"), -1);
    std::vector<std::string> names;
    for (const Attempt& attempt : attempts())
        names.push_back(attempt.name);
    EXPECT_EQ(names, expected);

    // Without an artist only the title; without a title nothing.
    opened_paths.clear();
    find_lyrics_for_track("", 0x0, track("Song.mp3").c_str(), "T", nullptr);
    EXPECT_EQ(opened_paths.size(), 2u + 2 + 3 * 2);
    EXPECT_EQ(opened_paths.back(), home.path() + sep + "T.txt");
    opened_paths.clear();
    find_lyrics_for_track("", 0x0, track("Song.mp3").c_str(), nullptr, "A");
    EXPECT_EQ(opened_paths.size(), 2u);
    // A track that is no local file gets nothing from the folders.
    opened_paths.clear();
    find_lyrics_for_track("", 0x100, "http://example.invalid/stream", "T", "A");
    EXPECT_TRUE(opened_paths.empty());

    // The first folder that holds the lyrics wins, by the name tried first.
    std::filesystem::create_directories(profile_lyrics);
    profile.write(std::string("lyrics") + sep + "A - T.lrc", "[00:03.00]profile\n");
    home.write("A - T.lrc", "[00:04.00]home\n");
    free_timeline();
    EXPECT_EQ(find_lyrics_for_track("", 0x100, track("Song.mp3").c_str(), "T", "A"), 3000);
    user.write("T.txt", "@SakuraScript=1\n[00:02.00]user\n");
    free_timeline();
    EXPECT_EQ(find_lyrics_for_track("", 0x100, track("Song.mp3").c_str(), "T", "A"), 2000);
    // A file beside the track still comes first.
    folder.write("A - T.ssl", "@SakuraScript=1\n[00:01.00]beside\n");
    free_timeline();
    EXPECT_EQ(find_lyrics_for_track("", 0x100, track("Song.mp3").c_str(), "T", "A"), 1000);
}

// Names in the folders are made as the player makes file names of tags; a
// name that would leave its folder is not tried, whatever the tags hold.
TEST_F(LookupTest, NamesInTheFoldersAreThePlayersAndStayInside) {
    test::TempFolder user;
    cfg_lyrics_folder.set((user.path() + sep).c_str(), whole_text);
    const std::string in = user.path() + sep;
    const std::string s(1, sep);
    struct Case {
        const char* artist;
        const char* title;
        std::vector<std::string> bases; // tried in the folder, in order
    };
    const Case cases[] = {
        {"AC/DC", "Back: In Black?", {"AC" + s + "DC - Back_ In Black_", "Back_ In Black_"}},
        {"A", "Say \"Hi\" *now*", {"A - Say ''Hi'' xnowx", "Say ''Hi'' xnowx"}},
        {"A\\B",
         "a<b>c|d\x01"
         "e",
         {"A" + s + "B - a_b_c_d_e", "a_b_c_d_e"}},
        {"A", "C:\\x", {"A - C_" + s + "x", "C_" + s + "x"}},
        {"A", "../../etc/passwd", {}},
        {"A", "x/../y", {}},
        {"A", "x/ . /y", {}},
        {"A", "x//y", {}},
        {"A", "/abs", {"A - " + s + "abs"}},
        {"..", "T", {".. - T", "T"}},
        {"A", "..", {"A - .."}},
        {"A", "T/", {}},
        {"", "T", {"T"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.artist) + " / " + c.title);
        opened_paths.clear();
        // A local track whose own folder gives no candidates.
        find_lyrics_for_track("", 0x0, "file://Song.mp3", c.title, c.artist);
        std::vector<std::string> tried;
        for (const std::string& path : opened_paths) {
            ASSERT_EQ(path.compare(0, in.size(), in), 0) << path;
            tried.push_back(path.substr(in.size()));
        }
        std::vector<std::string> expected;
        for (const std::string& base : c.bases)
            for (const char* extension : {".ssl", ".txt"})
                expected.push_back(base + extension);
        EXPECT_EQ(tried, expected);
    }
}

} // namespace
} // namespace lumivox
