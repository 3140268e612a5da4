#include "sync/download.h"

#include "component/settings.h" // upward: the user's settings
#include "platform/clock.h"
#include "platform/folders.h"
#include "platform/lock.h"
#include "platform/thread.h"
#include "platform/wait.h"
#include "sync/scheduler.h"
#include "sync/start_tick.h"
#include "sync/sync_objects.h"
#include "timeline/loader.h"
#include "timeline/lrclib.h"
#include "timeline/lyric_folders.h"
#include "timeline/timeline.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <set>
#include <string>
#include <utility>

namespace lumivox {

platform::HttpLimits download_limits = {5000, 10000, 1024 * 1024};

namespace {

constexpr char saved_extension[] = ".lrc";
constexpr char temporary_suffix[] = ".lumivox-part";

struct Request {
    uint32_t generation = 0;
    std::string url;
    std::string template_text;
    std::string save_path; // "" when there is nowhere to save
    size_t save_from = 0;  // where the folders save_path may create begin
};

// Everything below is read and written only during the player's turn
// (player_turn), on either thread, except the worker's handle.

// Changes with every track, stop and forget: a download of an older
// generation is not sung.
uint32_t generation = 0;
bool pending = false;
Request pending_request;
// The cancellation of the request the worker is fetching; nullptr between
// requests.
platform::HttpCancel* fetching = nullptr;
bool quitting = false;
// Requests (by address) that the server had no synced lyrics for.
std::set<std::string> not_found;

// The playing track's position, as the player last told it: the tick of
// position 0 while playing, the position while paused.
uint32_t zero_tick = 0;
bool paused_now = false;
int32_t paused_ms = 0;

platform::Event* wake = nullptr;
// Only the player's thread touches the worker's handle.
platform::Thread* worker = nullptr;
uint32_t finished = 0;

int32_t ms_of(double seconds) {
    double ms = seconds * 1000.0;
    if (!(ms > -2e9 && ms < 2e9))
        return 0;
    return static_cast<int32_t>(ms);
}

void cancel_fetch() {
    ++generation;
    pending = false;
    if (fetching != nullptr)
        platform::http_cancel(fetching);
}

// What the server answered: its synced lyrics into synced, and true when it
// has nothing to sing for the track (so that it is not asked again); a
// failure is neither, and the next play of the track asks again.
bool nothing_to_sing(platform::HttpResult result, const platform::HttpAnswer& answer,
                     std::string& synced) {
    int status = answer.status;
    if (result != platform::HttpResult::answered)
        return false;
    if (status == 404)
        return true;
    if (status != 200)
        return false;
    LrclibVerdict verdict = read_lrclib_answer(answer.body, answer.length, synced);
    return verdict == LrclibVerdict::instrumental || verdict == LrclibVerdict::plain_only ||
           verdict == LrclibVerdict::no_lyrics;
}

// During the player's turn: the lyrics of the track still playing are
// loaded, and their run goes on from where the track is now.
void sing(const std::string& lrc, const Request& request) {
    platform::lock_enter(sync_lock);
    int32_t loaded =
        load_lyric_text(lrc.data(), lrc.size(), request.template_text.c_str(), "LRCLIB", true);
    platform::lock_leave(sync_lock);
    if (loaded <= 0)
        return;
    int32_t position = paused_now ? paused_ms : elapsed_since(platform::tick_count(), zero_tick);
    sync_start_at(position / 1000.0, paused_now);
}

// Written beside its name and renamed, so that a reader never finds half a
// file, and only where no file of the name exists.
void save(const Request& request, const std::string& lrc) {
    if (request.save_path.empty() || platform::file_exists(request.save_path.c_str()))
        return;
    std::string text = saved_lrc(lrc);
    std::string temporary = request.save_path + temporary_suffix;
    if (!platform::make_folders(request.save_path.c_str(), request.save_from))
        return;
    platform::file_remove(temporary.c_str());
    if (!platform::file_write_new(temporary.c_str(), text.data(), text.size()))
        return;
    if (!platform::file_rename_new(temporary.c_str(), request.save_path.c_str()))
        platform::file_remove(temporary.c_str());
}

void fetch(const Request& request) {
    platform::HttpCancel* cancel = platform::http_cancel_create();
    {
        PlayerTurn turn;
        if (cancel == nullptr || request.generation != generation) {
            platform::http_cancel_destroy(cancel);
            return;
        }
        fetching = cancel;
    }
    platform::HttpAnswer answer;
    platform::HttpResult result = platform::http_get(request.url.c_str(), lrclib_user_agent(),
                                                     download_limits, cancel, answer);
    bool nothing = false;
    std::string lrc;
    try {
        std::string synced;
        nothing = nothing_to_sing(result, answer, synced);
        if (!synced.empty())
            lrc = downloaded_lrc(synced);
    } catch (const std::bad_alloc&) {
        // Too large to hold: as if no answer had come.
        nothing = false;
        lrc.clear();
    }
    std::free(answer.body);
    {
        PlayerTurn turn;
        fetching = nullptr;
        platform::http_cancel_destroy(cancel);
        if (nothing)
            not_found.insert(request.url);
        if (!lrc.empty() && request.generation == generation && !quitting)
            sing(lrc, request);
    }
    if (!lrc.empty())
        save(request, lrc);
}

void download_worker(void*) {
    for (;;) {
        platform::wait_alertable(wake, nullptr);
        bool took = false;
        try {
            Request request;
            {
                PlayerTurn turn;
                if (quitting)
                    return;
                if (!pending)
                    continue;
                request = std::move(pending_request);
                pending = false;
                took = true;
            }
            fetch(request);
        } catch (...) {
            // Out of memory: this request is given up.
        }
        PlayerTurn turn;
        finished += took ? 1 : 0;
    }
}

bool start_worker() {
    if (worker != nullptr)
        return true;
    wake = platform::event_create();
    if (wake != nullptr)
        worker = platform::thread_create(&download_worker, nullptr);
    if (worker == nullptr) {
        platform::event_close(wake);
        wake = nullptr;
    }
    return worker != nullptr;
}

// Where the lyrics are saved: the profile's lyric folder, by the name the
// lookup finds there first.
void saving_place(const DownloadTrack& track, Request& request) {
    const char* folder = profile_lyrics_folder();
    if (folder[0] == '\0')
        return;
    char path[lyric_folder_size];
    if (lyric_name_in_folder(folder, track.artist, track.title, sizeof saved_extension - 1, path,
                             sizeof path) == nullptr)
        return;
    request.save_path = std::string(path) + saved_extension;
    request.save_from = std::strlen(folder) - 1;
}

} // namespace

PlayerTurn::PlayerTurn() {
    platform::lock_enter(player_turn);
}

PlayerTurn::~PlayerTurn() {
    platform::lock_leave(player_turn);
}

void download_new_track(bool paused) {
    zero_tick = start_tick;
    paused_now = paused;
    paused_ms = 0;
}

void download_time(double seconds) {
    if (!paused_now)
        zero_tick = platform::tick_count() - static_cast<uint32_t>(ms_of(seconds));
}

void download_seek(double seconds, bool paused) {
    paused_ms = ms_of(seconds);
    zero_tick = platform::tick_count() - static_cast<uint32_t>(paused_ms);
    paused_now = paused;
}

void download_pause(bool paused) {
    if (paused && !paused_now)
        paused_ms = elapsed_since(platform::tick_count(), zero_tick);
    else if (!paused && paused_now)
        zero_tick = platform::tick_count() - static_cast<uint32_t>(paused_ms);
    paused_now = paused;
}

void forget_download() {
    cancel_fetch();
}

bool download_wanted() {
    return lrclib_download() && lrc_allowed() && cfg_lrclib_server.length() != 0;
}

void request_download(const DownloadTrack& track, const char* template_text) {
    if (!download_wanted() || track.artist == nullptr || track.artist[0] == '\0' ||
        track.title == nullptr || track.title[0] == '\0')
        return;
    try {
        Request request;
        request.url =
            lrclib_request_url(cfg_lrclib_server.get(),
                               {track.artist, track.title, track.album, track.length_seconds});
        if (not_found.count(request.url) != 0 || !start_worker())
            return;
        request.generation = generation;
        request.template_text = template_text;
        saving_place(track, request);
        pending_request = std::move(request);
        pending = true;
        platform::event_set(wake);
    } catch (...) {
        // Out of memory: no download for this track.
    }
}

uint32_t downloads_finished() {
    PlayerTurn turn;
    return finished;
}

void download_shutdown() {
    if (worker != nullptr) {
        {
            PlayerTurn turn;
            quitting = true;
            cancel_fetch();
        }
        platform::event_set(wake);
        platform::thread_join(worker);
        worker = nullptr;
        platform::event_close(wake);
        wake = nullptr;
        quitting = false;
    }
    platform::http_unload();
}

} // namespace lumivox
