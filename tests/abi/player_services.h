// The player's objects that the component reaches: the host API with the
// playback-control service, the playback-callback manager and the
// title-formatting compiler behind it, and one track with its location and
// tags. Every object checks the arguments it receives, counts the references
// taken on it and reports any call the component should not make.
#pragma once

#include "player_abi.h"
#include "text.h"

namespace abi {

player::foobar2000_api* player_api();

struct Registration {
    player::play_callback* callback;
    unsigned flags;
    bool forward_status;
    int registered;
    player::play_callback* unregistered_callback;
    int unregistered;
};
const Registration& callback_registration();

void set_playback_paused(bool paused);

// The track the host plays: its path (UTF-8, with the scheme) and its tags as
// name/value pairs, ended by a null name.
struct TrackTag {
    const char* name;
    const char* value;
};
void set_track(const char* path, const TrackTag* tags);
player::metadb_handle* track_handle();
long track_references();

struct TrackUse {
    int locks;          // metadb_lock calls
    int unlocks;        // metadb_unlock calls
    int info_requests;  // get_info_locked calls
    int unlocked_reads; // tag, location or info reads outside a lock
    int formats;        // format_title calls
    int compiles;       // compile calls
};
const TrackUse& track_use();

// The script the component asked the compiler for, and the text format_title
// produced from it.
const char* last_compiled_script();
const char* last_formatted_title();

// The player's dark-mode service: there as in 2.0 and newer (the start), or
// not, as before 2.0. It counts what the component asks of it.
void set_dark_mode_present(bool present);
struct DarkModeUse {
    int creates; // createAuto calls
    int dialogs; // addDialog calls, and the last one's window
    HWND dialog;
    int control_sets; // addControls calls, and the last one's window
    HWND controls;
};
const DarkModeUse& dark_mode_use();
void clear_dark_mode_use();
// References on the object createAuto hands out, the host's own among them.
long dark_mode_object_references();

// Checks each object's reference count: the host's own one, and one more on
// the two services the component keeps from on_init to on_quit while
// `services_held`.
void check_references(const char* when, bool services_held);

} // namespace abi
