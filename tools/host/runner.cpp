#include "tools/host/runner.h"

#include "tools/host/config_file.h"
#include "tools/host/field_file.h"
#include "tools/host/host_services.h"
#include "tools/host/page_driver.h"
#include "tools/host/resources.h"
#include "tools/host/tags.h"
#include "tools/host/trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#ifdef _WIN32
#include "tools/common/wide_text.h"

#include <windows.h>
#else
#include <climits>
#include <cstdlib>
#endif

namespace lumivox::tools {

namespace {

using Clock = std::chrono::steady_clock;

struct HostState {
    RunOptions options;
    LoadedModule module;
    initquit* lifecycle = nullptr;
    bool started = false;
};

// Playback callbacks as the player delivers them: only while registered and
// only for the events in the registered mask.
play_callback* events_for(int slot) {
    unsigned mask = 0;
    play_callback* events = registered_events(mask);
    return (events != nullptr && (mask & (1u << slot)) != 0) ? events : nullptr;
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

// Host exit, then the configuration is written and the module unloaded.
int leave(HostState& host, int status) {
    if (host.module.client == nullptr)
        return status;
    if (host.started) {
        trace("host exit");
        if (host.lifecycle != nullptr) {
            host.lifecycle->on_quit();
            host.lifecycle->service_release();
        }
        host.started = false;
    }
    std::string error;
    if (!host.options.config.empty() &&
        !write_config_file(host.module.client, host.options.config, error)) {
        std::fprintf(stderr, "lumivox-host: %s\n", error.c_str());
        status = status == 0 ? 1 : status;
    }
    for (const std::string& left : outstanding_objects()) {
        std::fprintf(stderr, "lumivox-host: the component did not give back: %s\n", left.c_str());
        status = status == 0 ? 1 : status;
    }
    unload_component(host.module);
    trace("unloaded; resources: " + process_resources());
    return status;
}

bool new_track(const std::string& path,
               const std::vector<std::pair<std::string, std::string>>& named, bool paused,
               std::string& error) {
    AudioFile audio;
    if (!read_audio_file(path, audio, error))
        return false;
    TrackInfo info;
    info.location = "file://" + absolute_path(path);
    info.fields = audio.fields;
    // The first NAME=VALUE of a name replaces the file's fields of that name;
    // later ones of the same name add further fields. NAME=@FILE gives the
    // file's bytes as the value.
    std::vector<std::string> replaced;
    for (const auto& [name, written] : named) {
        std::string value;
        if (!field_value(name, written, value, error))
            return false;
        bool first = true;
        for (const std::string& r : replaced)
            first = first && !same_field_name(r, name);
        if (first) {
            const std::string& field = name;
            std::erase_if(info.fields,
                          [&](const TrackField& f) { return same_field_name(f.name, field); });
            replaced.push_back(name);
        }
        info.fields.push_back({name, {value}});
    }
    set_paused(paused);
    trace("new track " + info.location + (paused ? " (paused)" : ""));
    // The player's own reference to the playing track; the component gets a
    // copy of the handle, by value.
    metadb_handle* track = make_track(info);
    if (play_callback* events = events_for(1))
        send_new_track(events, track);
    track->service_release();
    return true;
}

void report_time(double seconds) {
    trace("time " + std::to_string(seconds));
    if (play_callback* events = events_for(8))
        events->on_playback_time(seconds);
}

// Position reports every second, from+1, from+2, ..., in real time.
void play_for(double seconds, double from) {
    Clock::time_point begin = Clock::now();
    for (int i = 1; i <= static_cast<int>(seconds); ++i) {
        std::this_thread::sleep_until(begin + std::chrono::seconds(i));
        report_time(from + i);
    }
    std::this_thread::sleep_until(
        begin + std::chrono::milliseconds(static_cast<long long>(seconds * 1000)));
}

void stop(int reason) {
    trace("stop");
    if (play_callback* events = events_for(2))
        events->on_playback_stop(reason);
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string describe(const ControlState& s) {
    switch (s.kind) {
    case PageControlKind::check_box:
        return std::string("check box, ") + (s.checked ? "checked" : "unchecked") +
               (s.enabled ? "" : ", disabled");
    case PageControlKind::edit:
        return std::string("edit, ") + (s.read_only ? "read-only" : "writable") +
               (s.enabled ? "" : ", disabled") + ", " + quoted(s.text);
    case PageControlKind::list:
        return "list, entry " + std::to_string(s.selection) + " " + quoted(s.text);
    case PageControlKind::label:
        return "label " + quoted(s.text);
    case PageControlKind::picture:
        return "picture";
    case PageControlKind::group_box:
        return "group " + quoted(s.text);
    case PageControlKind::none:
        break;
    }
    return "unknown";
}

void trace_page(const std::string& when) {
    for (int id : page_control_ids())
        trace("page at " + when + " " + std::to_string(id) + ": " + describe(control_state(id)));
}

// One change, as a user makes it: a check box is clicked only when it does
// not already show the wanted state.
bool change_control(int id, const std::string& value, std::string& error) {
    std::string name = std::to_string(id);
    ControlState state = control_state(id);
    switch (state.kind) {
    case PageControlKind::check_box: {
        if (value != "0" && value != "1") {
            error = "check box " + name + " takes 0 or 1, not " + quoted(value);
            return false;
        }
        if (state.checked == (value == "1"))
            return true;
        if (!click_check_box(id)) {
            error = "check box " + name + " is disabled";
            return false;
        }
        trace("click " + name);
        return true;
    }
    case PageControlKind::edit:
        if (!type_text(id, value)) {
            error = "edit " + name + " is read-only";
            return false;
        }
        trace("type into " + name + ": " + quoted(value));
        return true;
    case PageControlKind::list: {
        char* end = nullptr;
        long index = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || index < 0 || index > 1000 ||
            !choose_entry(id, static_cast<int>(index))) {
            error = "list " + name + " has no entry " + quoted(value);
            return false;
        }
        trace("choose entry " + value + " of " + name);
        return true;
    }
    case PageControlKind::none:
        error = "the preferences page has no control " + name;
        return false;
    default:
        error = "control " + name + " of the preferences page cannot be changed";
        return false;
    }
}

preferences_page* page_service(HostState& host, std::string& error) {
    auto* service =
        static_cast<preferences_page*>(obtain_service(host.module.client, preferences_page_class));
    if (service == nullptr)
        error = "the component has no preferences page";
    return service;
}

// The page is opened, changed in the order given, optionally reset while
// open and pictured, and destroyed by the host, which makes the page store
// the settings. A change that fails still closes the page, as closing the
// host's preferences window would.
bool preferences(HostState& host, const Step& step, std::string& error) {
    preferences_page* service = page_service(host, error);
    if (service == nullptr)
        return false;
    if (!open_page(service, error)) {
        service->service_release();
        return false;
    }
    trace("preferences page opened");
    trace_page("open");
    bool ok = true;
    std::string picture;
    for (const auto& [name, value] : step.named) {
        if (name == "shot") {
            picture = value;
            continue;
        }
        if (!change_control(std::atoi(name.c_str()), value, error)) {
            ok = false;
            break;
        }
    }
    if (ok && !step.flags.empty()) {
        trace("reset while the page is open");
        service->reset();
    }
    if (ok && !picture.empty()) {
        ok = capture_page(picture, error);
        if (ok)
            trace("picture of the page written to " + picture);
    }
    trace_page("close");
    close_page();
    trace("preferences page destroyed");
    service->service_release();
    return ok;
}

bool reset(HostState& host, std::string& error) {
    preferences_page* service = page_service(host, error);
    if (service == nullptr)
        return false;
    trace("reset");
    service->reset();
    service->service_release();
    return true;
}

bool run_step(HostState& host, const Step& step, std::string& error) {
    const std::string& w = step.word;
    auto seconds = [&step] { return std::strtod(step.positional[0].c_str(), nullptr); };
    if (w == "start") {
        start(host);
    } else if (w == "track") {
        return new_track(step.positional[0], step.named, !step.flags.empty(), error);
    } else if (w == "time") {
        report_time(seconds());
    } else if (w == "play") {
        double from = 0;
        for (const auto& [name, value] : step.named)
            from = std::strtod(value.c_str(), nullptr);
        play_for(seconds(), from);
    } else if (w == "seek") {
        trace("seek " + step.positional[0]);
        if (play_callback* events = events_for(3))
            events->on_playback_seek(seconds());
    } else if (w == "pause" || w == "resume") {
        bool paused = w == "pause";
        set_paused(paused);
        trace(w);
        if (play_callback* events = events_for(4))
            events->on_playback_pause(paused);
    } else if (w == "stop") {
        stop(0);
    } else if (w == "sleep") {
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::atoll(step.positional[0].c_str())));
    } else if (w == "exit") {
        leave(host, 0);
    } else if (w == "prefs") {
        return preferences(host, step, error);
    } else if (w == "reset") {
        return reset(host, error);
    } else {
        error = "\"" + w + "\" is not available in this build";
        return false;
    }
    return true;
}

} // namespace

int run_scenario(const RunOptions& options, const std::vector<Step>& steps) {
    HostState host;
    host.options = options;
    std::string error;
    if (!enter(host, error)) {
        std::fprintf(stderr, "lumivox-host: %s\n", error.c_str());
        return 1;
    }
    for (const Step& step : steps) {
        if (host.module.client == nullptr) {
            std::fprintf(stderr, "lumivox-host: line %d: \"%s\" after exit\n", step.line,
                         step.word.c_str());
            return 2;
        }
        if (!run_step(host, step, error)) {
            std::fprintf(stderr, "lumivox-host: line %d: %s\n", step.line, error.c_str());
            return leave(host, 2);
        }
    }
    return leave(host, 0);
}

int play_files(const RunOptions& options, const std::vector<std::string>& files) {
    HostState host;
    host.options = options;
    std::string error;
    // Every file is checked before anything plays.
    std::vector<AudioFile> audio(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        if (!read_audio_file(files[i], audio[i], error)) {
            std::fprintf(stderr, "lumivox-host: %s\n", error.c_str());
            return 2;
        }
        if (audio[i].duration_seconds < 0) {
            std::fprintf(stderr, "lumivox-host: cannot tell how long \"%s\" lasts\n",
                         files[i].c_str());
            return 2;
        }
    }
    if (!enter(host, error)) {
        std::fprintf(stderr, "lumivox-host: %s\n", error.c_str());
        return 1;
    }
    start(host);
    for (size_t i = 0; i < files.size(); ++i) {
        if (!new_track(files[i], {}, false, error)) {
            std::fprintf(stderr, "lumivox-host: %s\n", error.c_str());
            return leave(host, 2);
        }
        play_for(audio[i].duration_seconds, 0);
        stop(1);
    }
    return leave(host, 0);
}

} // namespace lumivox::tools
