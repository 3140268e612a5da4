// The player's start, one track played with a seek and a pause, and the
// player's exit, each checked by the requests the ghost receives and by what
// the component did with the player's objects.
#include "expected_requests.h"
#include "host_session.h"
#include "lyric_fixture.h"
#include "player_services.h"
#include "report.h"

namespace abi {
namespace {

using namespace player;

constexpr char utf8[] = "UTF-8";
constexpr char reset_script[] = "\\_q\\0\\s[0]\\e";

// Lines a few hundred ms apart, starting at 2 s so that the announcement is
// sent; the host reports positions just before them to keep the run short.
// The offset directive, in lower case, takes effect only if the player's
// stricmp_utf8_max compares the line's first bytes with the name as the
// player's does: the lines would otherwise come a second late.
constexpr char lyrics[] = "[ti:ABI check]\r\n"
                          "@sakurascriptoffset=-1000\r\n"
                          "[00:03.00]one\r\n"
                          "[00:03.30]two\\_w[300]three\r\n"
                          "[00:03.90]four\\_w[400]five\r\n"
                          "[00:04.50]six \xE2\x99\xAA\n";
constexpr char line_one[] = "\\0\\s[7]one\\e";
constexpr char line_two[] = "\\0\\s[7]two\\_w[300]three\\e";
constexpr char line_four[] = "\\0\\s[7]four\\_w[400]five\\e";
constexpr char line_six[] = "\\0\\s[7]six \xE2\x99\xAA\\e";

// A title holding a backslash, which the component's filter must escape.
constexpr TrackTag tags[] = {
    {"artist", "Lumi"}, {"Title", "Back\\Slash"}, {"ALBUM", "Conformance"}, {nullptr, nullptr}};
constexpr char announcement[] = "\\0\\s[0]Next: Back\\\\Slash by Lumi\\e";

LyricFolder folder;

play_callback* events() {
    return callback_registration().callback;
}

// Reports a playback position and answers the tick it was reported at.
DWORD report_time(double seconds) {
    DWORD origin = GetTickCount();
    say("-- on_playback_time(%.2f)", seconds);
    events()->on_playback_time(seconds);
    return origin;
}

void new_track() {
    step("6. a new track");
    set_track(folder.track_location, tags);
    {
        metadb_handle_ptr track(track_handle());
        say("-- on_playback_new_track(%s)", folder.track_location);
        events()->on_playback_new_track(track);
        check(track_references() == 2,
              "the component released the track handle passed by value (%ld references, 2 "
              "expected)",
              track_references());
    }

    const TrackUse& use = track_use();
    check(use.locks >= 1 && use.locks == use.unlocks,
          "metadb_lock and metadb_unlock paired (%d and %d)", use.locks, use.unlocks);
    check(use.info_requests == 1, "get_info_locked asked once (%d)", use.info_requests);
    check(use.unlocked_reads == 0, "tags and location read only while locked (%d reads outside)",
          use.unlocked_reads);
    check(use.compiles == 1 && use.formats == 1,
          "the playing script compiled once and formatted once (%d, %d)", use.compiles,
          use.formats);
    check_text("compile got the playing script", last_compiled_script(), configured.playing);
    check_text("format_title escaped the tag values through the filter", last_formatted_title(),
               announcement);
    expect_sent("announcement", announcement, utf8);
    check_references("after the new track", true);
    expect_quiet("no line before the first position report", 200);
}

void lines_and_seek() {
    step("7. lines, a seek, a pause and the stop");
    DWORD origin = report_time(1.9);
    expect_due("line 1", line_one, utf8, origin, 100);
    report_time(2.0); // a plain report: nothing is pending, nothing changes
    expect_due("line 2", line_two, utf8, origin, 400);

    // A seek goes on at once from the position the player hands over.
    say("-- on_playback_seek(2.45)");
    origin = GetTickCount();
    events()->on_playback_seek(2.45);
    // The run's clock is set during the call, up to this long after origin.
    long seek_took = static_cast<long>(GetTickCount() - origin);
    expect_sent("reset on seek", reset_script, utf8);
    // 150 ms into line 2, whose first wait is 300 ms.
    expect_resumed("line 2 resumed at the seek", "\\0\\s[7]\\0", 100, 150, "three\\e", utf8,
                   origin);
    // The next report agrees: nothing is sent again.
    report_time(2.45 + (GetTickCount() - origin) / 1000.0);
    expect_due("line 3", line_four, utf8, origin, 450);

    // Paused about 150 ms into line 3 (2.90 s), the resume goes on from there.
    DWORD pause_at = origin + 600;
    if (static_cast<long>(pause_at - GetTickCount()) > 0)
        Sleep(pause_at - GetTickCount());
    long into_line = 2450 + static_cast<long>(GetTickCount() - origin) - 2900;
    say("-- on_playback_pause(true)");
    events()->on_playback_pause(true);
    expect_sent("reset on pause", reset_script, utf8);
    expect_quiet("no line while paused", 800);
    say("-- on_playback_pause(false)");
    origin = GetTickCount();
    events()->on_playback_pause(false);
    // Line 3's wait is 400 ms; the run held at most seek_took short of
    // into_line.
    expect_resumed("line 3 resumed at the resume", "\\0\\s[7]\\0", 400 - into_line - 50,
                   400 - into_line + seek_took, "five\\e", utf8, origin);
    expect_due("line 4", line_six, utf8, origin, 3500 - 2900 - into_line);

    say("-- on_playback_stop(0)");
    events()->on_playback_stop(0);
    expect_sent("reset on stop", reset_script, utf8);
    report_time(4.0);
    expect_quiet("no line after the stop", 300);
}

} // namespace

void start_host(HostSession& session) {
    step("5. initquit::on_init");
    session.lifecycle->on_init();
    const Registration& registration = callback_registration();
    check(registration.registered == 1 && registration.callback != nullptr,
          "the component registered a play_callback once (%d)", registration.registered);
    check(registration.flags == (flag_new_track | flag_stop | flag_seek | flag_pause | flag_time),
          "register_callback flags %u (286 expected)", registration.flags);
    check(!registration.forward_status, "register_callback without forwarding the status");
    expect_sent("startup script", configured.startup, utf8);
    check_references("after on_init", true);
}

void play_track() {
    if (events() == nullptr) {
        check(false, "a play_callback to send playback events to");
        return;
    }
    if (!check(make_lyric_folder(folder, lyrics), "a lyric file beside the track"))
        return;
    new_track();
    lines_and_seek();
    remove_lyric_folder(folder);
}

void quit_host(HostSession& session) {
    step("9. initquit::on_quit");
    session.lifecycle->on_quit();
    const Registration& registration = callback_registration();
    check(registration.unregistered == 1 &&
              registration.unregistered_callback == registration.callback,
          "unregister_callback with the play_callback it registered (%d calls)",
          registration.unregistered);
    expect_sent("exit script", configured.exit, utf8);
    expect_quiet("nothing after the exit script", 200);
    expect_no_more();
    check_references("after on_quit", false);
}

} // namespace abi
