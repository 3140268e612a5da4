#include "sync/playback.h"

#include "component/entry.h"       // upward: the player's services
#include "component/settings.h"    // upward: the user's settings
#include "component/text_buffer.h" // upward: the settings' texts
#include "platform/folders.h"
#include "sstp/request.h"
#include "sstp/transport.h"
#include "sync/download.h"
#include "sync/scheduler.h"
#include "timeline/lookup.h"
#include "timeline/lyric_folders.h"

namespace lumivox {

PlaybackControlService* playback_service = nullptr;
PlaybackCallbackManager* callback_service = nullptr;

namespace {

class Events final : public PlaybackEvents {
  public:
    void on_starting(int32_t, bool) override {}
    void on_new_track(TrackHandleArg track) override { handle_new_track(track_of(track)); }
    void on_stop(int32_t reason) override { handle_stop(static_cast<uint32_t>(reason)); }
    void on_seek(double seconds) override { handle_seek(seconds); }
    void on_pause(bool paused) override { handle_pause(paused); }
    // Not asked for, but a handle passed by value is ours to give up.
    void on_edited(TrackHandleArg track) override {
        if (TrackHandle* edited = track_of(track))
            edited->release();
    }
    void on_dynamic_info(const void*) override {}
    void on_dynamic_track_info(const void*) override {}
    void on_time(double seconds) override { handle_time(seconds); }
    void on_volume_change(float) override {}
} events;

// Tag values are untrusted: a title holding a backslash command or a line
// break would be run by the ghost or break the request's framing. Field
// values are escaped before the host puts them into the announcement; the
// literal parts of the user's script stay as written.
class AnnouncementFilter final : public TitleTextFilter {
  public:
    void write(const Guid&, TextReceiver* out, const char* data, size_t length) override {
        size_t start = 0;
        for (size_t i = 0; i < length && data[i] != '\0'; ++i) {
            const char* replacement = data[i] == '\\'                        ? "\\\\"
                                      : (data[i] == '\r' || data[i] == '\n') ? " "
                                                                             : nullptr;
            if (replacement == nullptr)
                continue;
            out->append(data + start, i - start);
            out->append(replacement, whole_text);
            start = i + 1;
        }
        size_t end = start;
        while (end < length && data[end] != '\0')
            ++end;
        out->append(data + start, end - start);
    }
} announcement_filter;

template <typename Service> void release_service(Service*& service) {
    if (service != nullptr)
        service->release();
    service = nullptr;
}

// Released on every way out, an exception from the host's title formatting
// included.
struct ScriptHolder {
    CompiledScript* script = nullptr;
    ~ScriptHolder() {
        if (script != nullptr)
            script->release();
    }
};

struct TrackReading {
    TrackHandle* track;
    ~TrackReading() {
        track->end_reading_information();
        track->release();
    }
};

void announce(TrackHandle* track) {
    auto* compiler = obtain_host_service<TitleFormatCompiler>(title_format_compiler_class);
    if (compiler == nullptr)
        return;
    ScriptHolder compiled;
    bool ok = false;
    {
        struct CompilerHolder {
            TitleFormatCompiler* compiler;
            ~CompilerHolder() { compiler->release(); }
        } holder{compiler};
        ok = compiler->compile(&compiled.script, cfg_playing_script.get());
    }
    if (!ok || compiled.script == nullptr)
        return;
    TextBuffer text;
    track->format_title(nullptr, &text, &compiled.script, &announcement_filter);
    compiled.script->release();
    compiled.script = nullptr;
    send_sstp_request(text.get(), trailer_utf8);
}

} // namespace

const char* find_tag_value(InformationRecord* record, const char* name) {
    size_t n = record->field_count();
    for (size_t i = 0; i < n; ++i) {
        const char* field = record->field_name(i);
        if (field != nullptr && stricmp_utf8(field, name) == 0)
            return record->field_value(i, 0);
    }
    return nullptr;
}

void register_playback_events() {
    if (callback_service != nullptr)
        callback_service->register_events(&events, playback_event_mask, false);
}

void unregister_playback_events() {
    if (callback_service != nullptr)
        callback_service->unregister_events(&events);
    PlayerTurn turn;
    forget_download();
    probe_ghost(nullptr);
    sync_stop();
}

void handle_host_start() {
    playback_service = obtain_host_service<PlaybackControlService>(playback_control_class);
    callback_service =
        obtain_host_service<PlaybackCallbackManager>(playback_callback_manager_class);
    // Where lyric files are kept apart from tracks; the profile does not
    // move while the player runs.
    set_profile_lyrics_folder(host_api != nullptr ? host_api->profile_path() : nullptr);
    char home[lyric_folder_size];
    set_home_lyrics_folder(platform::home_lyrics_folder(home, sizeof home) != 0 ? home : nullptr);
    if (!component_enabled())
        return;
    select_transport(direct_sstp());
    register_playback_events();
    if (send_startup_exit())
        send_sstp_request(cfg_startup_script.get(), trailer_utf8);
}

void handle_host_exit() {
    // No thread of the component outlives the player's exit.
    download_shutdown();
    if (component_enabled()) {
        unregister_playback_events();
        if (send_startup_exit())
            send_sstp_request(cfg_exit_script.get(), trailer_utf8);
        transport_shutdown();
    }
    release_service(playback_service);
    release_service(callback_service);
}

void handle_new_track(TrackHandle* track) {
    if (track == nullptr)
        return;
    uint32_t features = cfg_features;
    if (!component_enabled(features)) {
        track->release();
        return;
    }
    track->begin_reading_information();
    TrackReading reading{track};
    PlayerTurn turn;
    // Lyrics still coming for the previous track are not wanted any more.
    forget_download();
    InformationRecord* record = nullptr;
    if (!track->information(&record) || record == nullptr)
        return;
    sync_stop();
    bool announce_allowed = probe_ghost(nullptr) != 0;
    if (!announce_allowed)
        return;
    if (send_singing(features)) {
        LocationRecord* location = track->location();
        const char* path = location != nullptr ? location->path() : "";
        const char* artist = find_tag_value(record, "ARTIST");
        const char* title = find_tag_value(record, "TITLE");
        LyricFields lyrics;
        for (size_t i = 0; i < lyric_field_count; ++i)
            lyrics.values[i] = find_tag_value(record, lyric_field_names[i]);
        int32_t first =
            find_lyrics_for_track(cfg_primary.get(), cfg_options, path, title, artist, &lyrics);
        bool paused = playback_service != nullptr && playback_service->is_paused();
        download_new_track(paused);
        if (first < 0 && download_wanted() && is_local_track(path))
            request_download({artist, title, find_tag_value(record, "ALBUM"), record->length()},
                             cfg_primary.get());
        if (first >= 0) {
            resync_pending = true;
            if (paused) {
                sync_start(true);
            } else {
                if (first < 2000)
                    announce_allowed = false;
                sync_start(false);
            }
        }
    }
    if (announce_allowed && send_playing(features))
        announce(track);
}

void handle_stop(uint32_t) {
    PlayerTurn turn;
    forget_download();
    sync_stop();
}

// The player hands the position it seeks to: the run goes on from there at
// once, rather than losing every line due before the next position report.
void handle_seek(double seconds) {
    bool paused = playback_service != nullptr && playback_service->is_paused();
    PlayerTurn turn;
    download_seek(seconds, paused);
    sync_seek(seconds, paused);
}

void handle_pause(bool paused) {
    PlayerTurn turn;
    download_pause(paused);
    if (paused)
        sync_hold();
    else
        sync_resume();
}

void handle_time(double seconds) {
    PlayerTurn turn;
    download_time(seconds);
    sync_resync(seconds);
}

} // namespace lumivox
