// The player's side of one session with the component: loading it and
// handing it the stored configuration, host start, the playback events, host
// exit with the configuration written back. lumivox-host and lumivox-mpris
// both drive the component through these.
#pragma once

#include "tools/host/host_services.h"
#include "tools/host/module.h"

#include <string>

namespace lumivox::tools {

struct RunOptions {
    std::string component;
    std::string config;                   // empty: none kept
    std::string profile;                  // empty: default_profile_folder()
    std::string program = "lumivox-host"; // names the program in messages
};

struct HostState {
    RunOptions options;
    LoadedModule module;
    initquit* lifecycle = nullptr;
    bool started = false;
};

// Loads the component, checks its interface version, hands it the stored
// configuration and initialises its services. False with a message, the
// module unloaded again.
bool enter(HostState& host, std::string& error);
// Host start; does nothing when already started.
void start(HostState& host);
// Host exit (when started), then the configuration is written and the module
// unloaded. Prints what went wrong; answers status, or 1 for a failure when
// status was 0.
int leave(HostState& host, int status);

// The playback events, delivered only while the component registered for
// them. The new track's handle is made from info; paused is what playback
// control answers from then on.
void report_new_track(const TrackInfo& info, bool paused);
void report_time(double seconds);
void report_seek(double seconds);
void report_pause(bool paused);
void report_stop(int reason);

// The path made absolute, as the player names a track; unchanged when that
// fails.
std::string absolute_path(const std::string& path);
// The folder of this program, with its separator at the end: what the
// player's tracks named "file-relative://" are relative to.
std::string program_folder();

} // namespace lumivox::tools
