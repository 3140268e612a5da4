#include "tools/mpris/track.h"

#include "tools/host/tags.h"

#include <algorithm>

namespace lumivox::mpris {

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> percent_decoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        int high = i + 2 < text.size() ? hex_digit(text[i + 1]) : -1;
        int low = high >= 0 ? hex_digit(text[i + 2]) : -1;
        if (low < 0)
            return std::nullopt;
        char c = static_cast<char>(high * 16 + low);
        if (c == '\0')
            return std::nullopt; // no path holds a NUL
        out += c;
        i += 2;
    }
    return out;
}

std::string base_name(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What a player shows as the title before the tags are read: the file's
// name, with or without its extension.
bool is_file_name(const std::string& title, const std::string& url) {
    std::optional<std::string> path = local_path(url);
    if (!path)
        return false;
    std::string name = base_name(*path);
    size_t dot = name.find_last_of('.');
    return title == name || (dot != std::string::npos && dot > 0 && title == name.substr(0, dot));
}

void put_field(std::vector<tools::TrackField>& fields, const std::string& name,
               const std::string& value) {
    std::erase_if(fields,
                  [&](const tools::TrackField& f) { return tools::same_field_name(f.name, name); });
    fields.push_back({name, {value}});
}

bool has_field(const std::vector<tools::TrackField>& fields, const std::string& name) {
    return std::any_of(fields.begin(), fields.end(), [&](const tools::TrackField& f) {
        return !f.values.empty() && tools::same_field_name(f.name, name);
    });
}

} // namespace

const char* status_name(Status status) {
    switch (status) {
    case Status::playing:
        return "Playing";
    case Status::paused:
        return "Paused";
    case Status::stopped:
        break;
    }
    return "Stopped";
}

bool names_a_track(const PlayerTrack& track) {
    return !track.url.empty();
}

bool same_track(const PlayerTrack& a, const PlayerTrack& b) {
    return a.id == b.id && a.url == b.url;
}

std::optional<std::string> local_path(const std::string& url) {
    const std::string scheme = "file:";
    if (url.compare(0, scheme.size(), scheme) != 0)
        return std::nullopt;
    std::string rest = url.substr(scheme.size());
    if (rest.compare(0, 2, "//") == 0) {
        size_t slash = rest.find('/', 2);
        if (slash == std::string::npos)
            return std::nullopt;
        std::string host = rest.substr(2, slash - 2);
        if (!host.empty() && host != "localhost")
            return std::nullopt; // a file on another machine
        rest = rest.substr(slash);
    }
    if (rest.empty() || rest[0] != '/')
        return std::nullopt;
    return percent_decoded(rest);
}

bool tags_arrived(const PlayerTrack& track) {
    return !track.artist.empty() || (!track.title.empty() && !is_file_name(track.title, track.url));
}

tools::TrackInfo track_info(const PlayerTrack& track, const std::string& path) {
    tools::TrackInfo info;
    info.location = "file://" + path;
    tools::AudioFile audio;
    std::string error;
    if (tools::read_audio_file(path, audio, error))
        info.fields = std::move(audio.fields);
    bool placeholder = is_file_name(track.title, track.url);
    if (!track.title.empty() && (!placeholder || !has_field(info.fields, "TITLE")))
        put_field(info.fields, "TITLE", track.title);
    if (!track.artist.empty())
        put_field(info.fields, "ARTIST", track.artist);
    return info;
}

} // namespace lumivox::mpris
