#include "timeline/lrclib.h"

#include <gtest/gtest.h>
#include <string>

namespace lumivox {
namespace {

TEST(Lrclib, AsksWithTheTracksTagsEncoded) {
    struct Case {
        const char* server;
        LrclibQuery query;
        const char* url;
    };
    const Case cases[] = {
        {"https://lrclib.net",
         {"Borislav Slavov", "I Want to Live", "Baldur's Gate 3", 233.4},
         "https://lrclib.net/api/get?artist_name=Borislav%20Slavov&track_name=I%20Want%20to%20Live"
         "&album_name=Baldur%27s%20Gate%203&duration=233"},
        {"http://127.0.0.1:8080/",
         {"AC/DC", "Rock & Roll + 1?", nullptr, 0},
         "http://127.0.0.1:8080/api/"
         "get?artist_name=AC%2FDC&track_name=Rock%20%26%20Roll%20%2B%201%3F"},
        {"https://lrclib.net",
         {"\xe3\x81\x95\xe3\x81\x8f\xe3\x82\x89", "a-b_c.d~e", "", 59.5},
         "https://lrclib.net/api/get?artist_name=%E3%81%95%E3%81%8F%E3%82%89&track_name=a-b_c.d~e"
         "&duration=60"},
        {"https://lrclib.net",
         {"A", "T", "B", -1},
         "https://lrclib.net/api/get?artist_name=A&track_name=T&album_name=B"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(lrclib_request_url(c.server, c.query), c.url);
    }
}

TEST(Lrclib, ReadsOnlyWhatTheAnswerHasToSing) {
    const std::string synced = "[00:01.00]one\\n[00:02.00]two";
    struct Case {
        const char* name;
        std::string json;
        LrclibVerdict verdict;
        std::string lyrics;
    };
    const Case cases[] = {
        {"found",
         R"({"id":1,"instrumental":false,"plainLyrics":"one\ntwo","syncedLyrics":")" + synced +
             R"("})",
         LrclibVerdict::synced, "[00:01.00]one\n[00:02.00]two"},
        {"instrumental", R"({"instrumental":true,"plainLyrics":null,"syncedLyrics":null})",
         LrclibVerdict::instrumental, ""},
        {"plain only", R"({"instrumental":false,"plainLyrics":"words","syncedLyrics":null})",
         LrclibVerdict::plain_only, ""},
        {"synced without a time", R"({"plainLyrics":"","syncedLyrics":"[ar:A]\nwords"})",
         LrclibVerdict::no_lyrics, ""},
        {"blank plain lyrics", R"({"plainLyrics":" \n ","syncedLyrics":null})",
         LrclibVerdict::no_lyrics, ""},
        {"a not-found body", R"({"code":404,"name":"TrackNotFound"})", LrclibVerdict::no_lyrics,
         ""},
        {"members of a member are not the answer's",
         R"({"track":{"syncedLyrics":"[00:01.00]x","instrumental":true},"list":["[00:01.00]y"]})",
         LrclibVerdict::no_lyrics, ""},
        {"the later of two", R"({"syncedLyrics":"[00:01.00]x","syncedLyrics":null})",
         LrclibVerdict::no_lyrics, ""},
        {"a NUL inside", "{\"syncedLyrics\":\"[00:01.00]a\\u0000b\"}", LrclibVerdict::synced,
         std::string("[00:01.00]a\0b", 13)},
        {"cut off", R"({"syncedLyrics":"[00:01.00]one)", LrclibVerdict::malformed, ""},
        {"an array", R"([{"syncedLyrics":"[00:01.00]one"}])", LrclibVerdict::malformed, ""},
        {"a string", R"("[00:01.00]one")", LrclibVerdict::malformed, ""},
        {"trailing bytes", R"({"syncedLyrics":"[00:01.00]one"} x)", LrclibVerdict::malformed, ""},
        {"not UTF-8", "{\"syncedLyrics\":\"[00:01.00]\xff\"}", LrclibVerdict::malformed, ""},
        {"nothing", "", LrclibVerdict::malformed, ""},
        {"deep nesting", std::string(100000, '[') + std::string(100000, ']'),
         LrclibVerdict::malformed, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string lyrics;
        EXPECT_EQ(read_lrclib_answer(c.json.data(), c.json.size(), lyrics), c.verdict);
        EXPECT_EQ(lyrics, c.lyrics);
    }
}

// Only the lines are sung and saved; the saved lines are filtered, so that a
// user who trusts lyric files still gets nothing from the internet run.
TEST(Lrclib, SingsAndSavesOnlyTheLines) {
    const std::string downloaded =
        "[ar:Someone]\r\n@SakuraScriptGhost=Other\r\n[00:01.00]one \\![raise,OnX]\r\n"
        "words without a time\n@TessalySakuraScriptLyricsPrimary=\\![open]%ILYX\n"
        "[00:02.00]two\\_w[300] more\\\r[00:03.00]th" +
        std::string(1, '\0') + "ree";
    const std::string lrc = downloaded_lrc(downloaded);
    EXPECT_EQ(lrc, "[ar:Someone]\n[00:01.00]one \\![raise,OnX]\n[00:02.00]two\\_w[300] more\\\n"
                   "[00:03.00]three\n");
    EXPECT_EQ(saved_lrc(lrc), "[ar:Someone]\n[00:01.00]one \\\\![raise,OnX]\n"
                              "[00:02.00]two\\_w[300] more\\\\\n[00:03.00]three\n");
    EXPECT_EQ(saved_lrc(saved_lrc(lrc)), saved_lrc(lrc));
    EXPECT_EQ(downloaded_lrc(""), "");
}

} // namespace
} // namespace lumivox
