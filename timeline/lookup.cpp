#include "timeline/lookup.h"

#include "component/host_api.h"
#include "component/settings.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "sync/start_tick.h"
#include "timeline/loader.h"
#include "timeline/text.h"
#include "timeline/timeline.h"

#include <cstring>

namespace lumivox {

namespace {

constexpr uint32_t scheme_length = 7;
constexpr uint32_t extension_length = 4; // ".ssl", ".txt", ".lrc"

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

bool try_base(char* path_buffer, const char* template_text, char* base_end, bool allow_lrc,
              const CharsetTrailer* txt_trailer) {
    return base_end != nullptr &&
           try_lyric_extensions(path_buffer, template_text, base_end, allow_lrc, txt_trailer);
}

} // namespace

bool try_lyric_extensions(char* path_buffer, const char* template_text, char* extension_position,
                          bool allow_lrc, const CharsetTrailer* txt_trailer) {
    if (extension_position < path_buffer || extension_position > base_limit(path_buffer))
        return false;
    current_trailer = trailer_utf8;
    std::memcpy(extension_position, ".ssl", extension_length + 1);
    if (load_lyric_file(path_buffer, template_text, 0) > 0)
        return true;
    current_trailer = txt_trailer;
    std::memcpy(extension_position, ".txt", extension_length + 1);
    if (load_lyric_file(path_buffer, template_text, 0) > 0)
        return true;
    if (!allow_lrc)
        return false;
    current_trailer = trailer_utf8;
    std::memcpy(extension_position, ".lrc", extension_length + 1);
    return load_lyric_file(path_buffer, template_text, 1) > 0;
}

// The candidate path is built in place: the track's folder stays at the
// start of the buffer and each base name and extension is written behind it.
// On Windows the folder ends at the last "\"; on Linux the substitute host's
// "/" plays that role.
int32_t find_lyrics_for_track(const char* template_text, uint32_t options, const char* path,
                              const char* title, const char* artist) {
    start_tick = platform::tick_count();
    if (path == nullptr || stricmp_utf8_max(path, "file://", scheme_length) != 0)
        return -1;
    const CharsetTrailer* txt_trailer = txt_trailer_for(options);
    bool allow_lrc = lrc_allowed(options);
    if (template_text == nullptr)
        template_text = "";

    // The separator is looked for in the host's text itself, so that a path
    // longer than the buffer is never cut at a wrong place.
    const char* local = path + scheme_length;
    const char* separator = find_last_char(local, platform::path_separator());
    if (separator == nullptr)
        return -1;
    const char* file_name = separator + 1;

    char buffer[lyric_path_buffer_size];
    const char* limit = base_limit(buffer);
    char* name_start = append_part(buffer, local, static_cast<size_t>(file_name - local), limit);
    if (name_start == nullptr)
        return -1; // the folder alone leaves no room for any candidate

    bool found = false;
    if (const char* dot = find_last_char(file_name, '.'); dot != nullptr) {
        char* end = append_part(name_start, file_name, static_cast<size_t>(dot - file_name), limit);
        found = try_base(buffer, template_text, end, allow_lrc, txt_trailer);
    }
    if (!found) {
        // Both later candidates hold the title.
        if (title == nullptr || title[0] == '\0' || !names_a_file_here(title))
            return -1;
        char* end = append_part(name_start, title, std::strlen(title), limit);
        found = try_base(buffer, template_text, end, allow_lrc, txt_trailer);
    }
    if (!found) {
        if (artist == nullptr || artist[0] == '\0' || !names_a_file_here(artist))
            return -1;
        char* end = append_part(name_start, artist, std::strlen(artist), limit);
        end = append_part(end, " - ", 3, limit);
        end = append_part(end, title, std::strlen(title), limit);
        found = try_base(buffer, template_text, end, allow_lrc, txt_trailer);
    }
    if (!found)
        return -1;
    return entries[0].time;
}

} // namespace lumivox
