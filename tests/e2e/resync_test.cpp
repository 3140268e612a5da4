// The first position report after a track begins resynchronises the run. A
// line that began just before the reported position, or at it (the worker
// acts a moment after the report), is sung whole rather than resumed: a line
// without waits would have nothing left to resume.
#include "tests/e2e/processes.h"
#include "tests/e2e/track_folder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox::e2e {
namespace {

const std::string startup = "\\0\\s[0]foobar2000 is starting up.\\e";
const std::string exit_script = "\\0\\s[0]foobar2000 is exiting.\\e";
const std::string reset = "\\_q\\0\\s[0]\\e";

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

} // namespace
} // namespace lumivox::e2e
