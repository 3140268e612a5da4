#include "tools/lyrics/checker.h"

#include "base/host_api.h"
#include "component/settings.h"
#include "platform/folders.h"
#include "platform/http.h"
#include "sstp/request.h"
#include "sstp/transport.h"
#include "sync/download.h"
#include "sync/sync_objects.h"
#include "timeline/loader.h"
#include "timeline/lookup.h"
#include "timeline/lrclib.h"
#include "timeline/lyric_folders.h"
#include "timeline/timeline.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

namespace lumivox::lyrics {

namespace {

Report* collecting = nullptr;
std::vector<LineRow> lines_read;
CharsetReason reason_read = CharsetReason::kind;
std::string read_as;
std::string runner_up;

void on_candidate(const char* name, CandidateVerdict verdict) {
    collecting->candidates.push_back({name, verdict});
    if (verdict == CandidateVerdict::chosen || collecting->lines.empty()) {
        collecting->lines = lines_read;
        collecting->charset_reason = reason_read;
        collecting->read_as = read_as;
        collecting->runner_up = runner_up;
    }
    lines_read.clear();
    reason_read = CharsetReason::kind;
    read_as.clear();
    runner_up.clear();
}

// A judged file's lines are told again, converted.
void on_charset(const CharsetReport& report) {
    reason_read = report.reason;
    read_as = report.read_as != nullptr ? report.read_as : "";
    runner_up = report.runner_up != nullptr ? report.runner_up : "";
    if (report.reason == CharsetReason::judged)
        lines_read.clear();
}

// A line too long to read is shown by its start.
constexpr size_t shown_line_bytes = 120;

void on_line(const char* text, LineVerdict verdict) {
    std::string shown(text);
    if (shown.size() > shown_line_bytes) {
        size_t cut = shown_line_bytes;
        // Not inside a UTF-8 character.
        while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80)
            --cut;
        shown = shown.substr(0, cut) + "...";
    }
    lines_read.push_back({static_cast<uint32_t>(lines_read.size() + 1), verdict, shown});
}

const LoadObserver observer = {&on_candidate, &on_line, &on_charset};

const char* charset_name(const CharsetTrailer* trailer) {
    if (trailer == trailer_utf8)
        return "UTF-8";
    if (trailer == trailer_shift_jis)
        return "Shift_JIS";
    return "system";
}

// Runs load, given the observer to pass to the loader, with the transport
// the settings choose (so that a file naming a ghost asks the running mascot
// host), and takes what it loaded; the Timeline is empty again afterwards.
template <typename Load> void observe(Report& report, Load load) {
    sync_objects_create();
    select_transport(direct_sstp() ? 1 : 0);
    collecting = &report;
    lines_read.clear();
    load(&observer);
    collecting = nullptr;
    if (entries != nullptr) {
        report.sung = true;
        report.charset = charset_name(current_trailer);
        for (int32_t i = 0; i < count; ++i) {
            const TimedLine& line = entries[i];
            report.sung_lines.push_back(
                {line.time, is_pause(line), is_pause(line) ? "" : line.text});
        }
        for (const CandidateRow& row : report.candidates) {
            if (row.verdict == CandidateVerdict::chosen)
                report.chosen = row.name;
        }
    }
    free_timeline();
    sync_objects_destroy();
}

std::string utf8_of(const std::filesystem::path& path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path path_of(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string lower_extension(const std::string& path) {
    std::string extension = utf8_of(path_of(path).extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

const char* value_of(const TrackTags& tags, const char* name) {
    for (const auto& [field, value] : tags.fields) {
        if (stricmp_utf8(field.c_str(), name) == 0)
            return value.c_str();
    }
    return nullptr;
}

// What the server's answer means to the component, in words.
std::string answer_text(platform::HttpResult result, const platform::HttpAnswer& answer,
                        std::string& synced) {
    switch (result) {
    case platform::HttpResult::answered:
        break;
    case platform::HttpResult::cancelled:
        return "cancelled";
    case platform::HttpResult::timed_out:
        return "no answer in time";
    case platform::HttpResult::too_large:
        return "an answer over 1 MiB, refused";
    case platform::HttpResult::failed:
        return "could not ask the server";
    }
    if (answer.status == 404)
        return "not found";
    if (answer.status != 200)
        return "the server answered " + std::to_string(answer.status);
    switch (read_lrclib_answer(answer.body, answer.length, synced)) {
    case LrclibVerdict::synced:
        return "synced lyrics";
    case LrclibVerdict::instrumental:
        return "an instrumental: nothing to sing";
    case LrclibVerdict::plain_only:
        return "plain lyrics only: nothing to sing";
    case LrclibVerdict::no_lyrics:
        return "no lyrics";
    case LrclibVerdict::malformed:
        break;
    }
    return "an answer that is not LRCLIB's";
}

// Asks LRCLIB as the component would and loads its synced lyrics as the
// component would sing them: through the safe-lyrics filter, always.
void check_download(const TrackTags& tags, Report& report) {
    if (tags.title.empty() || tags.artist.empty()) {
        report.download = "not asked: the track needs a title and an artist";
        return;
    }
    report.download_url =
        lrclib_request_url(cfg_lrclib_server.get(),
                           {tags.artist.c_str(), tags.title.c_str(), value_of(tags, "ALBUM"), 0});
    platform::HttpAnswer answer;
    platform::HttpResult result = platform::http_get(
        report.download_url.c_str(), lrclib_user_agent(), download_limits, nullptr, answer);
    std::string synced;
    report.download = answer_text(result, answer, synced);
    std::free(answer.body);
    if (synced.empty())
        return;
    std::string lrc = downloaded_lrc(synced);
    observe(report, [&](const LoadObserver* told) {
        load_lyric_text(lrc.data(), lrc.size(), cfg_primary.get(), report.download_url.c_str(),
                        true, told);
    });
}

} // namespace

Report check_track(const std::string& track, const TrackTags& tags, const CheckOptions& options) {
    Report report;
    const std::string relative = "file-relative://";
    std::string location;
    std::filesystem::path absolute;
    if (track.compare(0, relative.size(), relative) == 0) {
        char folder[lyric_folder_size];
        platform::program_folder(folder, sizeof folder);
        location = track;
        absolute = path_of(folder + track.substr(relative.size()));
    } else {
        absolute = std::filesystem::absolute(path_of(track));
        location = "file://" + utf8_of(absolute.make_preferred());
    }
    absolute.make_preferred();
    report.folder = utf8_of(absolute.parent_path() / "");
    set_profile_lyrics_folder(options.profile.empty() ? nullptr : options.profile.c_str());
    char home[lyric_folder_size];
    set_home_lyrics_folder(platform::home_lyrics_folder(home, sizeof home) != 0 ? home : nullptr);
    LyricFields fields;
    for (size_t i = 0; i < lyric_field_count; ++i) {
        for (const auto& [name, value] : tags.fields) {
            if (fields.values[i] == nullptr &&
                stricmp_utf8(name.c_str(), lyric_field_names[i]) == 0)
                fields.values[i] = value.c_str();
        }
    }
    observe(report, [&](const LoadObserver* told) {
        find_lyrics_for_track(cfg_primary.get(), cfg_options, location.c_str(),
                              tags.title.empty() ? nullptr : tags.title.c_str(),
                              tags.artist.empty() ? nullptr : tags.artist.c_str(), &fields, told);
    });
    if (options.download && !report.sung)
        check_download(tags, report);
    return report;
}

bool show_file(const std::string& path, Report& report, std::string& error) {
    std::string extension = lower_extension(path);
    LyricKind kind;
    if (extension == ".ssl") {
        kind = LyricKind::ssl;
    } else if (extension == ".txt") {
        kind = LyricKind::txt;
    } else if (extension == ".lrc") {
        kind = LyricKind::lrc;
    } else {
        error = "\"" + path + "\" is not named as a lyric file (.ssl, .txt or .lrc)";
        return false;
    }
    observe(report, [&](const LoadObserver* told) {
        load_candidate(path.c_str(), kind, cfg_primary.get(), cfg_options, told);
    });
    return true;
}

} // namespace lumivox::lyrics
