#include "tools/host/session.h"

#include "tools/common/monotonic.h"
#include "tools/common/profile_folder.h"
#include "tools/host/config_file.h"
#include "tools/host/resources.h"
#include "tools/host/trace.h"

#include <cstdio>

#ifdef _WIN32
#include "tools/common/wide_text.h"

#include <windows.h>
#else
#include <climits>
#include <cstdlib>
#include <unistd.h>
#endif

namespace lumivox::tools {

namespace {

// Playback callbacks as the player delivers them: only while registered and
// only for the events in the registered mask.
play_callback* events_for(int slot) {
    unsigned mask = 0;
    play_callback* events = registered_events(mask);
    return (events != nullptr && (mask & (1u << slot)) != 0) ? events : nullptr;
}

// The component's service list as the host walks it, by kind.
std::string service_names(foobar2000_client* client) {
    std::string names;
    int n = 0;
    for (service_factory_base* e = client->get_service_list(); e != nullptr && n < 100;
         e = e->next, ++n) {
        const guid* id = e->class_guid;
        const char* name = id == nullptr                   ? "none"
                           : *id == preferences_page_class ? "preferences page"
                           : *id == initquit_class         ? "lifecycle"
                           : *id == componentversion_class ? "component version"
                                                           : "unknown";
        names += (names.empty() ? "" : ", ") + std::string(name);
    }
    return names;
}

// The longest call the player's thread made into the component during the
// current track, for --trace: the player's thread must never wait on the
// component's network or disk.
double longest_call_ms = 0;
int calls = 0;

struct TimedCall {
    double begin = monotonic_ms();
    ~TimedCall() {
        double took = monotonic_ms() - begin;
        longest_call_ms = took > longest_call_ms ? took : longest_call_ms;
        ++calls;
    }
};

// Reports the last track's longest call, and starts counting afresh.
void report_longest_call() {
    if (calls > 0) {
        char text[96];
        std::snprintf(text, sizeof text, "longest call into the component: %.3f ms of %d calls",
                      longest_call_ms, calls);
        trace(text);
    }
    longest_call_ms = 0;
    calls = 0;
}

} // namespace

std::string program_folder() {
#ifdef _WIN32
    wchar_t exe[4096];
    DWORD units = GetModuleFileNameW(nullptr, exe, 4096);
    std::string path = units > 0 && units < 4096 ? narrow({exe, units}) : std::string();
#else
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string();
#endif
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string absolute_path(const std::string& path) {
#ifdef _WIN32
    wchar_t full[4096];
    DWORD length = GetFullPathNameW(widen(path).c_str(), 4096, full, nullptr);
    if (length == 0 || length >= 4096)
        return path;
    return narrow({full, length});
#else
    char full[PATH_MAX];
    return realpath(path.c_str(), full) != nullptr ? std::string(full) : path;
#endif
}

bool enter(HostState& host, std::string& error) {
    trace("resources before loading: " + process_resources());
    if (!load_component(host.options.component, host_api(), host.module, error))
        return false;
    uint32_t version = host.module.client->get_version();
    trace("entered " + host.options.component + ", interface version " + std::to_string(version));
    if (version < accepted_client_version) {
        error = host.options.component + " answers interface version " + std::to_string(version) +
                "; this player loads " + std::to_string(accepted_client_version) + " and newer";
        unload_component(host.module);
        return false;
    }
    trace("services: " + service_names(host.module.client));
    set_profile_folder(host.options.profile.empty() ? default_profile_folder()
                                                    : absolute_path(host.options.profile));
    if (!host.options.config.empty() &&
        !read_config_file(host.module.client, host.options.config, error)) {
        unload_component(host.module);
        return false;
    }
    host.module.client->set_library_path(host.options.component.c_str(),
                                         host.options.component.c_str());
    host.module.client->services_init(true);
    return true;
}

void start(HostState& host) {
    if (host.started)
        return;
    host.lifecycle = static_cast<initquit*>(obtain_service(host.module.client, initquit_class));
    trace("host start");
    if (host.lifecycle != nullptr)
        host.lifecycle->on_init();
    host.started = true;
}

int leave(HostState& host, int status) {
    if (host.module.client == nullptr)
        return status;
    const char* program = host.options.program.c_str();
    if (host.started) {
        report_longest_call();
        trace("host exit");
        if (host.lifecycle != nullptr) {
            TimedCall call;
            host.lifecycle->on_quit();
            host.lifecycle->service_release();
        }
        report_longest_call();
        host.started = false;
    }
    std::string error;
    if (!host.options.config.empty() &&
        !write_config_file(host.module.client, host.options.config, error)) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        status = status == 0 ? 1 : status;
    }
    for (const std::string& left : outstanding_objects()) {
        std::fprintf(stderr, "%s: the component did not give back: %s\n", program, left.c_str());
        status = status == 0 ? 1 : status;
    }
    unload_component(host.module);
    trace("unloaded; resources: " + process_resources());
    return status;
}

void report_new_track(const TrackInfo& info, bool paused) {
    report_longest_call();
    set_paused(paused);
    trace("new track " + info.location + (paused ? " (paused)" : ""));
    // The player's own reference to the playing track; the component gets a
    // copy of the handle, by value.
    metadb_handle* track = make_track(info);
    if (play_callback* events = events_for(1)) {
        TimedCall call;
        send_new_track(events, track);
    }
    track->service_release();
}

void report_time(double seconds) {
    trace("time " + std::to_string(seconds));
    if (play_callback* events = events_for(8)) {
        TimedCall call;
        events->on_playback_time(seconds);
    }
}

void report_seek(double seconds) {
    if (play_callback* events = events_for(3)) {
        TimedCall call;
        events->on_playback_seek(seconds);
    }
}

void report_pause(bool paused) {
    set_paused(paused);
    trace(paused ? "pause" : "resume");
    if (play_callback* events = events_for(4)) {
        TimedCall call;
        events->on_playback_pause(paused);
    }
}

void report_stop(int reason) {
    trace("stop");
    if (play_callback* events = events_for(2)) {
        TimedCall call;
        events->on_playback_stop(reason);
    }
}

} // namespace lumivox::tools
