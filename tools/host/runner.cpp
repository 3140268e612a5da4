#include "tools/host/runner.h"

#include "tools/common/field_file.h"
#include "tools/host/host_services.h"
#include "tools/host/page_steps.h"
#include "tools/host/tags.h"
#include "tools/host/trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace lumivox::tools {

namespace {

using Clock = std::chrono::steady_clock;

bool new_track(const std::string& path,
               const std::vector<std::pair<std::string, std::string>>& named, bool paused,
               std::string& error) {
    // A track near a portable player is named relative to the player's
    // folder, as the player names it; any other by its absolute path.
    const std::string relative = "file-relative://";
    bool is_relative = path.compare(0, relative.size(), relative) == 0;
    std::string file = is_relative ? program_folder() + path.substr(relative.size()) : path;
    AudioFile audio;
    if (!read_audio_file(file, audio, error))
        return false;
    TrackInfo info;
    info.location = is_relative ? path : "file://" + absolute_path(path);
    info.fields = audio.fields;
    info.length_seconds = audio.duration_seconds > 0 ? audio.duration_seconds : 0;
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
    report_new_track(info, paused);
    return true;
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
        report_seek(seconds());
    } else if (w == "pause" || w == "resume") {
        report_pause(w == "pause");
    } else if (w == "stop") {
        report_stop(0);
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
        report_stop(1);
    }
    return leave(host, 0);
}

} // namespace lumivox::tools
