// The first position report after a track begins resynchronises the run. A
// line that began just before the reported position, or at it (the worker
// acts a moment after the report), is sung whole rather than resumed: a line
// without waits would have nothing left to resume.
#include "tests/e2e/processes.h"
#include "tests/e2e/track_folder.h"
#include "tests/support/default_scripts.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox::e2e {
namespace {

using test::exit_script;
using test::reset;
using test::startup;

class Resync : public TrackFolder {};

TEST_F(Resync, LineJustBeforeTheFirstReportIsSung) {
    // A first line after one second holds the run until the first report,
    // which comes 20 ms after that line began.
    write_file(path("song.lrc"), "[00:01.98]Due\n[00:02.40]After\n");
    auto records = play_configured("start\ntrack " + path("song.mp3") +
                                   " title=T\ntime 2.0\nsleep 800\nexit\n");
    std::vector<std::string> expected = {startup, "\\0\\s[25]Due\\e", "\\0\\s[25]After\\e", reset,
                                         exit_script};
    EXPECT_EQ(scripts(records), expected) << host_.err;
}

// A seek and a resume go on at once from the position they bring: the lines
// due 100 to 900 ms later come on time though no position report follows.
TEST_F(Resync, LinesAfterASeekAndAResumeComeWithoutAReport) {
    write_file(path("song.lrc"), "[00:02.10]S1\n[00:02.50]S2\n[00:02.90]S3\n"
                                 "[00:03.20]P1\n[00:03.60]P2\n[00:04.00]P3\n");
    auto records = play_configured("start\ntrack " + path("song.mp3") +
                                   " title=T\ntime 0.5\nsleep 300\nseek 2.0\nsleep 1000\n"
                                   "pause\nsleep 300\nresume\nsleep 1200\nexit\n");
    std::vector<std::string> expected = {startup,
                                         "\\0\\s[0]Next song is T\\e",
                                         reset,
                                         "\\0\\s[25]S1\\e",
                                         "\\0\\s[25]S2\\e",
                                         "\\0\\s[25]S3\\e",
                                         reset,
                                         "\\0\\s[25]P1\\e",
                                         "\\0\\s[25]P2\\e",
                                         "\\0\\s[25]P3\\e",
                                         reset,
                                         exit_script};
    ASSERT_EQ(scripts(records), expected) << host_.err;
    // After the seek's reset script, each line at its distance from 2.0 s.
    const double seek_at = records[2].t_ms;
    const double after_seek[] = {100, 500, 900};
    for (int i = 0; i < 3; ++i) {
        double late = records[3 + i].t_ms - seek_at - after_seek[i];
        EXPECT_GE(late, -30) << "S" << i + 1;
        EXPECT_LE(late, 250) << "S" << i + 1;
    }
    // Held a little past 3.0 s: nothing during the 300 ms pause, then the
    // lines 400 ms apart.
    const double pause_at = records[6].t_ms;
    EXPECT_GE(records[7].t_ms - pause_at, 300);
    for (int i = 8; i < 10; ++i) {
        double gap = records[i].t_ms - records[i - 1].t_ms;
        EXPECT_GE(gap, 400 - 60) << "P" << i - 6;
        EXPECT_LE(gap, 400 + 150) << "P" << i - 6;
    }
}

} // namespace
} // namespace lumivox::e2e
