#include "timeline/lookup.h"

#include "base/host_api.h"
#include "base/text.h"
#include "component/settings.h" // upward: the user's settings
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "sync/start_tick.h" // upward: a lookup starts the track's clock
#include "timeline/load_report.h"
#include "timeline/loader.h"
#include "timeline/lrc_syntax.h"
#include "timeline/lyric_folders.h"
#include "timeline/timeline.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace lumivox {

namespace {

constexpr char file_scheme[] = "file://";
constexpr char relative_scheme[] = "file-relative://";
constexpr uint32_t extension_length = 4; // ".ssl", ".txt", ".lrc"

bool has_scheme(const char* path, const char* scheme, size_t length) {
    return path != nullptr && stricmp_utf8_max(path, scheme, length) == 0;
}

// An unnamed charset sends as the system's: without a Charset header.
const CharsetTrailer* txt_trailer_for(uint32_t options) {
    switch (txt_charset(options)) {
    case TxtCharset::utf8:
        return trailer_utf8;
    case TxtCharset::shift_jis:
        return trailer_shift_jis;
    case TxtCharset::system:
    case TxtCharset::unnamed:
        break;
    }
    return trailer_plain;
}

// The first position at which an extension and its NUL no longer fit.
char* base_limit(char* path_buffer) {
    return path_buffer + lyric_path_buffer_size - extension_length - 1;
}

// Appends n bytes of text at `at`; nullptr when they would pass limit.
char* append_part(char* at, const char* text, size_t n, const char* limit) {
    if (at == nullptr || n > static_cast<size_t>(limit - at))
        return nullptr;
    std::memcpy(at, text, n);
    return at + n;
}

// A tag's text becomes a file name in the track's folder, and tags are
// written by whoever made the file: a separator or a ".." part would take the
// candidate into another folder. Both separators count, as Windows takes
// either; with them refused, a ".." part can only be the whole tag. On
// Windows a ':' too: at a path's start it names a drive ("C:x" is relative to
// that drive's current folder) and after a name a stream of another file;
// elsewhere it is an ordinary character of titles.
bool names_a_file_here(const char* tag) {
    if (std::strcmp(tag, "..") == 0)
        return false;
    const bool windows_paths = platform::path_separator() == '\\';
    for (const char* c = tag; *c != '\0'; ++c) {
        if (*c == '/' || *c == '\\' || (windows_paths && *c == ':'))
            return false;
    }
    return true;
}

// What the options say about the candidates' extensions.
struct Extensions {
    bool allow_lrc;
    const CharsetTrailer* txt_trailer;
    bool guess_txt_charset; // the page's charset is the system's ("Default")
};

bool try_base(char* path_buffer, const char* template_text, char* base_end,
              const Extensions& extensions, const LoadObserver* observer) {
    return base_end != nullptr &&
           try_lyric_extensions(path_buffer, template_text, base_end, extensions.allow_lrc,
                                extensions.txt_trailer, extensions.guess_txt_charset, observer);
}

// The candidate path is built in place: the track's folder stays at the
// start of the buffer and each base name and extension is written behind it.
// On Windows the folder ends at the last "\"; on Linux the substitute host's
// "/" plays that role.
bool try_files(const char* template_text, const Extensions& extensions, const char* path,
               const char* title, const char* artist, const LoadObserver* observer) {
    char resolved[lyric_path_buffer_size];
    const char* local = local_track_path(path, resolved);
    if (local == nullptr)
        return false;

    // The separator is looked for in the full path itself, so that a path
    // longer than the buffer is never cut at a wrong place.
    const char* separator = find_last_char(local, platform::path_separator());
    if (separator == nullptr)
        return false;
    const char* file_name = separator + 1;

    char buffer[lyric_path_buffer_size];
    const char* limit = base_limit(buffer);
    char* name_start = append_part(buffer, local, static_cast<size_t>(file_name - local), limit);
    if (name_start == nullptr)
        return false; // the folder alone leaves no room for any candidate

    if (const char* dot = find_last_char(file_name, '.'); dot != nullptr) {
        char* end = append_part(name_start, file_name, static_cast<size_t>(dot - file_name), limit);
        if (try_base(buffer, template_text, end, extensions, observer))
            return true;
    }
    // Both later candidates hold the title.
    if (title == nullptr || title[0] == '\0' || !names_a_file_here(title))
        return false;
    char* end = append_part(name_start, title, std::strlen(title), limit);
    if (try_base(buffer, template_text, end, extensions, observer))
        return true;
    if (artist == nullptr || artist[0] == '\0' || !names_a_file_here(artist))
        return false;
    end = append_part(name_start, artist, std::strlen(artist), limit);
    end = append_part(end, " - ", 3, limit);
    end = append_part(end, title, std::strlen(title), limit);
    return try_base(buffer, template_text, end, extensions, observer);
}

// Lyrics fields often hold plain unsynced text: only a field with a
// time-tagged line is loaded. Fields are sung as .lrc files are, only while
// those are allowed.
bool try_fields(const char* template_text, const LyricFields* fields, bool allow_lrc,
                const LoadObserver* observer) {
    if (fields == nullptr)
        return false;
    for (size_t i = 0; i < lyric_field_count; ++i) {
        const char* value = fields->values[i];
        if (value == nullptr)
            continue;
        if (!allow_lrc) {
            report_candidate(observer, lyric_field_names[i], CandidateVerdict::lrc_not_allowed);
            continue;
        }
        if (!holds_time_tagged_line(value)) {
            report_candidate(observer, lyric_field_names[i], CandidateVerdict::no_lines);
            continue;
        }
        if (load_lyric_text(value, std::strlen(value), template_text, lyric_field_names[i], false,
                            observer) > 0)
            return true;
    }
    return false;
}

// One candidate of its kind, as the options say: the charset it is sent
// with unless it names one, and how it is read.
int32_t load_kind(const char* path, LyricKind kind, const char* template_text,
                  const Extensions& extensions, const LoadObserver* observer) {
    switch (kind) {
    case LyricKind::ssl:
        current_trailer = trailer_utf8;
        return load_lyric_file(path, template_text, 0, {}, observer);
    case LyricKind::txt:
        current_trailer = extensions.txt_trailer;
        return load_lyric_file(path, template_text, 0, {false, extensions.guess_txt_charset},
                               observer);
    case LyricKind::lrc:
        break;
    }
    if (!extensions.allow_lrc) {
        report_candidate(observer, path, CandidateVerdict::lrc_not_allowed);
        return 0;
    }
    current_trailer = trailer_utf8;
    return load_lyric_file(path, template_text, 1, {true, true}, observer);
}

// Tells an observer of a name made from tags that was not tried, as the
// tags would have named it.
void report_refused_name(const LoadObserver* observer, const char* folder, const char* artist,
                         const char* title) {
    if (observer == nullptr)
        return;
    char name[lyric_path_buffer_size];
    std::snprintf(name, sizeof name, "%s%s%s%s", folder, artist != nullptr ? artist : "",
                  artist != nullptr ? " - " : "", title);
    report_candidate(observer, name, CandidateVerdict::leaves_folder);
}

// The lyric folders, after the track's own folder and tags: in each,
// "Artist - Title" then "Title", named as the player names files. A name
// that would leave its folder is not tried.
bool try_folders(const char* template_text, const Extensions& extensions, const char* title,
                 const char* artist, const LoadObserver* observer) {
    if (title == nullptr || title[0] == '\0')
        return false;
    const bool by_artist = artist != nullptr && artist[0] != '\0';
    const char* folders[3];
    size_t n = lyric_folders(folders);
    for (size_t i = 0; i < n; ++i) {
        for (const char* by : {by_artist ? artist : nullptr, static_cast<const char*>(nullptr)}) {
            char buffer[lyric_path_buffer_size];
            char* end = lyric_name_in_folder(folders[i], by, title, extension_length, buffer,
                                             sizeof buffer);
            if (end == nullptr)
                report_refused_name(observer, folders[i], by, title);
            else if (try_base(buffer, template_text, end, extensions, observer))
                return true;
            if (by == nullptr)
                break;
        }
    }
    return false;
}

Extensions extensions_for(uint32_t options) {
    return {lrc_allowed(options), txt_trailer_for(options),
            txt_charset(options) == TxtCharset::system};
}

bool is_line_end(char c) {
    return c == '\n' || c == '\r' || c == '\0';
}

} // namespace

bool try_lyric_extensions(char* path_buffer, const char* template_text, char* extension_position,
                          bool allow_lrc, const CharsetTrailer* txt_trailer, bool guess_txt_charset,
                          const LoadObserver* observer) {
    if (extension_position < path_buffer || extension_position > base_limit(path_buffer))
        return false;
    const Extensions extensions{allow_lrc, txt_trailer, guess_txt_charset};
    const struct {
        const char* extension;
        LyricKind kind;
    } kinds[] = {{".ssl", LyricKind::ssl}, {".txt", LyricKind::txt}, {".lrc", LyricKind::lrc}};
    for (const auto& k : kinds) {
        std::memcpy(extension_position, k.extension, extension_length + 1);
        if (load_kind(path_buffer, k.kind, template_text, extensions, observer) > 0)
            return true;
    }
    return false;
}

int32_t load_candidate(const char* path, LyricKind kind, const char* template_text,
                       uint32_t options, const LoadObserver* observer) {
    if (entries != nullptr)
        return 0;
    return load_kind(path, kind, template_text != nullptr ? template_text : "",
                     extensions_for(options), observer);
}

bool is_local_track(const char* path) {
    return has_scheme(path, file_scheme, sizeof file_scheme - 1) ||
           has_scheme(path, relative_scheme, sizeof relative_scheme - 1);
}

const char* local_track_path(const char* path, char* buffer) {
    if (has_scheme(path, file_scheme, sizeof file_scheme - 1))
        return path + sizeof file_scheme - 1;
    if (!has_scheme(path, relative_scheme, sizeof relative_scheme - 1))
        return nullptr;
    uint32_t folder = platform::program_folder(buffer, lyric_path_buffer_size);
    const char* relative = path + sizeof relative_scheme - 1;
    size_t length = std::strlen(relative);
    if (folder == 0 || length >= lyric_path_buffer_size - folder)
        return nullptr;
    std::memcpy(buffer + folder, relative, length + 1);
    return buffer;
}

bool holds_time_tagged_line(const char* text) {
    for (const char* line = text; *line != '\0';) {
        int32_t time = 0;
        if (const char* tag = line; take_time_tag(tag, time))
            return true;
        while (!is_line_end(*line))
            ++line;
        while (*line == '\n' || *line == '\r')
            ++line;
    }
    return false;
}

int32_t find_lyrics_for_track(const char* template_text, uint32_t options, const char* path,
                              const char* title, const char* artist,
                              const LyricFields* lyric_fields, const LoadObserver* observer) {
    start_tick = platform::tick_count();
    if (template_text == nullptr)
        template_text = "";
    const Extensions extensions = extensions_for(options);
    bool found =
        try_files(template_text, extensions, path, title, artist, observer) ||
        try_fields(template_text, lyric_fields, extensions.allow_lrc, observer) ||
        (is_local_track(path) && try_folders(template_text, extensions, title, artist, observer));
    return found ? entries[0].time : -1;
}

} // namespace lumivox
