// Lyric files that name their ghost, sung through the substitute host to a
// mascot host that publishes its listings as the real one does: the right
// ghost's window sings, or none does. The mascot host rewrites its ghosts'
// surfaces all the while, so a listing read without its lock would be torn.
#include "tests/e2e/processes.h"
#include "tests/e2e/track_folder.h"
#include "tests/support/default_scripts.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace lumivox::e2e {
namespace {

// Names as the mascot host is given them, in UTF-8.
const std::string zoe = "Zoe";
const std::string zoe_diaeresis = "Zo\xc3\xab";
const std::string zoe_acute = "Zo\xc3\xa9";
const std::string sakura = "\xe3\x81\x95\xe3\x81\x8f\xe3\x82\x89";
const std::string sakuya = "\xe3\x81\x95\xe3\x81\x8f\xe3\x82\x84";
const std::string sakuya_sjis = "\x82\xb3\x82\xad\x82\xe2";
const std::string yuu = "\xe3\x82\x86\xe3\x81\x86";

struct Case {
    const char* what;
    std::vector<std::string> ghosts;     // lumivox-ghost's names, in order
    std::vector<std::string> ghost_args; // further options of lumivox-ghost
    std::string charset;                 // the lyric file's charset directive
    std::string name;                    // the file's ghost name, in that charset
    std::optional<std::string> singer;   // the ghost that must sing; none: nobody
};

class GhostNames : public TrackFolder {
  protected:
    void check(const Case& c) {
        SCOPED_TRACE(c.what);
        write_file(path("song.lrc"), "@SakuraScriptCharset=" + c.charset + "\n" +
                                         "@SakuraScriptGhost=" + c.name + "\n" +
                                         "[00:00.10]La\n[00:00.40]Li\n");
        std::vector<std::string> args = c.ghost_args;
        for (const std::string& name : c.ghosts)
            args.insert(args.end(), {"--name", name});
        Ghost ghost(args);
        ASSERT_TRUE(ghost.ready());
        Finished host =
            run_program("lumivox-host", {"run", "-"},
                        "start\ntrack " + path("song.mp3") + " title=T\nplay 1\nexit\n");
        EXPECT_EQ(host.status, 0) << host.err;
        ghost.stop();

        std::vector<std::string> singers;
        bool announced = false;
        for (const Record& r : read_records(ghost.record_path())) {
            announced = announced || r.script == test::startup;
            // Nothing reaches a ghost's second window, nor goes anywhere else.
            EXPECT_EQ(r.via, "direct");
            EXPECT_EQ(r.window.value_or("<none>"), "sakura");
            if (r.script == "\\0\\s[25]La\\e" || r.script == "\\0\\s[25]Li\\e")
                singers.push_back(r.ghost.value_or("<none>"));
        }
        // The start-up script reaches a running ghost whoever sings: without
        // it, no singer would only say that the host never ran.
        EXPECT_TRUE(announced) << "the start-up script reached no ghost";
        if (c.singer)
            EXPECT_EQ(singers, (std::vector<std::string>{*c.singer, *c.singer}));
        else
            EXPECT_TRUE(singers.empty()) << "sung by " << singers.front();
    }
};

TEST_F(GhostNames, NamesThatDifferOnlyBeyondAsciiReachTheirOwnGhost) {
    const Case cases[] = {
        {"Latin-1", {zoe, zoe_diaeresis, zoe_acute}, {}, "UTF-8", zoe_acute, zoe_acute},
        {"Latin-1 from an older host's \"Sakura\"",
         {zoe, zoe_diaeresis, zoe_acute},
         {"--no-unicode"},
         "UTF-8",
         zoe_acute,
         zoe_acute},
        {"Shift_JIS", {sakura, sakuya}, {}, "Shift_JIS", sakuya_sjis, sakuya},
    };
    for (const Case& c : cases)
        check(c);
}

TEST_F(GhostNames, GhostsThatAreNotRunningAreNotFound) {
    const Case cases[] = {
        {"same ASCII start", {zoe}, {}, "UTF-8", zoe_diaeresis, std::nullopt},
        {"same ASCII start, older host",
         {zoe},
         {"--no-unicode"},
         "UTF-8",
         zoe_diaeresis,
         std::nullopt},
        {"longer name", {"Emil"}, {}, "UTF-8", "Emily", std::nullopt},
        {"ASCII in another case", {"Lache", "Emily"}, {}, "UTF-8", "EMILY", "Emily"},
    };
    for (const Case& c : cases)
        check(c);
}

// A Japanese name cannot be held by code page 1252, where Wine runs here:
// an older host's "Sakura" shows it as question marks, which must not be
// taken for a ghost that is really called "??".
TEST_F(GhostNames, NameOutsideTheSystemCodePageIsFoundInSakuraUnicode) {
    const std::optional<std::string> older_host_singer =
        lane().windows ? std::nullopt : std::optional<std::string>(yuu);
    const Case cases[] = {
        {"listed whole only in \"SakuraUnicode\"", {"??", yuu}, {}, "UTF-8", yuu, yuu},
        {"older host", {"??", yuu}, {"--no-unicode"}, "UTF-8", yuu, older_host_singer},
    };
    for (const Case& c : cases)
        check(c);
}

TEST_F(GhostNames, EntryIdsOfEveryLengthAndAHeldLock) {
    const Case cases[] = {
        {"32 hex digits", {"Lache", "Emily"}, {"--ids", "hex32"}, "UTF-8", "Emily", "Emily"},
        {"36 characters", {"Lache", "Emily"}, {"--ids", "long"}, "UTF-8", "Emily", "Emily"},
        // Held for longer than a probe waits: the listing is read without it.
        {"lock held", {"Lache", "Emily"}, {"--hold-lock"}, "UTF-8", "Emily", "Emily"},
    };
    for (const Case& c : cases)
        check(c);
}

} // namespace
} // namespace lumivox::e2e
