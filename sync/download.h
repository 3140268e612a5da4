// Synced lyrics from LRCLIB for a track with none on the machine, when the
// user has asked for them. One worker thread, started with the first
// download and ended at host exit, asks the server; when the lyrics arrive
// while the same track still plays, it loads them and starts their run from
// the track's current position. The player's thread never waits on the
// network: it only hands requests over and cancels them.
#pragma once

#include "platform/http.h"

#include <cstdint>

namespace lumivox {

// Taken by the player's thread around each of its calls into the scheduler
// (the playback handlers) and by the worker while it starts the run of
// lyrics that arrived, so that the two never drive the scheduler at once.
// Taken before sync_lock, never while holding it. Created and deleted with
// the scheduler's objects.
class PlayerTurn {
  public:
    PlayerTurn();
    ~PlayerTurn();
    PlayerTurn(const PlayerTurn&) = delete;
    PlayerTurn& operator=(const PlayerTurn&) = delete;
};

// What the player's thread reports about the playing track, each during its
// turn. forget_download (for a new track, a stop, an exit) cancels what is
// being downloaded: what comes back afterwards is not sung.
void download_new_track(bool paused); // after the lookup set start_tick
void download_time(double seconds);
void download_seek(double seconds, bool paused);
void download_pause(bool paused);
void forget_download();

// The settings ask for downloads: the download box, .lrc files allowed (the
// lyrics are sung as an .lrc file is) and a server.
bool download_wanted();

// The track's tags, as the lookup had them.
struct DownloadTrack {
    const char* artist;
    const char* title;
    const char* album;     // may be nullptr
    double length_seconds; // 0 or less: unknown
};

// During the player's turn, after the lookup found nothing for the track:
// asks for its lyrics unless the settings do not want it, the track lacks a
// title or an artist, or it was not found earlier this session. template_text is the template the
// lyrics are wrapped in.
void request_download(const DownloadTrack& track, const char* template_text);

// Ends the worker, cancelling what it does, and waits for it; then releases
// the network client. Not during the player's turn. At host exit and
// unload; a later request starts a new worker.
void download_shutdown();

// What a download may take. Tests shorten it.
extern platform::HttpLimits download_limits;
// Requests the worker has finished with, whatever came of them; for tests.
uint32_t downloads_finished();

} // namespace lumivox
