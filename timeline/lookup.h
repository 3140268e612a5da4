// Finding a track's lyrics: up to nine candidate files in the track's
// folder, then the lyrics the track holds in its tags.
#pragma once

#include "base/charset_trailer.h"

#include <cstddef>
#include <cstdint>

namespace lumivox {

struct LoadObserver; // load_report.h

// The working buffer of candidate paths. A candidate that does not fit it
// whole (with its NUL) is refused without being opened.
constexpr uint32_t lyric_path_buffer_size = 2052;

// The tag fields that may hold a track's lyrics, in the order they are tried
// (names compared ignoring case).
constexpr size_t lyric_field_count = 4;
inline constexpr const char* lyric_field_names[lyric_field_count] = {
    "UNSYNCED LYRICS", "LYRICS", "SYNCEDLYRICS", "UNSYNCEDLYRICS"};

// The first value of the first field of each of those names, in that order;
// nullptr where the track has no such field.
struct LyricFields {
    const char* values[lyric_field_count] = {};
};

// Sets start_tick first, whatever happens. path is the host's location
// ("file://" and a local path, or "file-relative://" and a path relative to
// the player's folder); title and artist may be null. Tries the track's own
// name, the title, then "artist - title", each as ".ssl", ".txt" and (when
// options allow .lrc files) ".lrc". A candidate is skipped when a tag in it
// would lead out of the track's folder (a "/" or "\", the whole tag "..", on
// Windows a ":"). When no file loads and options allow .lrc files, the first
// of lyric_fields (may be nullptr) that holds a time-tagged line and loads is
// sung as an .lrc file would be, whatever the path. Then, for a local track,
// the lyric folders (lyric_folders.h): in each "artist - title" then
// "title", named as the player names files, with the same extensions.
// Returns the first entry's time of the Timeline that loaded, or -1 when
// none did. observer (load_report.h) is told of every candidate, tried or
// refused, and of the lines of each that is read; nullptr: nobody listens.
int32_t find_lyrics_for_track(const char* template_text, uint32_t options, const char* path,
                              const char* title, const char* artist,
                              const LyricFields* lyric_fields = nullptr,
                              const LoadObserver* observer = nullptr);

// Writes each extension at extension_position of path_buffer (a buffer of
// lyric_path_buffer_size bytes) and loads it, setting current_trailer before
// each; true as soon as one load yields entries. Refuses (false, nothing
// opened) when the extension would not fit the buffer. The charset of an
// .lrc file that names none is told from its bytes, and so is a .txt file's
// with guess_txt_charset. observer is told as by find_lyrics_for_track.
bool try_lyric_extensions(char* path_buffer, const char* template_text, char* extension_position,
                          bool allow_lrc, const CharsetTrailer* txt_trailer, bool guess_txt_charset,
                          const LoadObserver* observer = nullptr);

// The three kinds of lyric file, told by their extensions.
enum class LyricKind { ssl, txt, lrc };

// Loads one file as the lookup loads a candidate of its kind, as options
// say: the charset it is sent with unless it names one, .lrc syntax, and
// whether an undeclared charset is told from its bytes. An .lrc file while
// options forbid them is not opened. The entry count, or 0 (also when a
// Timeline is loaded already). observer is told as by find_lyrics_for_track.
int32_t load_candidate(const char* path, LyricKind kind, const char* template_text,
                       uint32_t options, const LoadObserver* observer = nullptr);

// A track the lookup finds files for: "file://" or "file-relative://".
bool is_local_track(const char* path);
// The local path of such a track: after "file://" as it stands, or after
// "file-relative://" joined to the player's folder (platform/folders.h) in
// buffer (lyric_path_buffer_size bytes). nullptr for any other path, or
// when the joined path does not fit.
const char* local_track_path(const char* path, char* buffer);

// True when text holds a line (ending in LF, CR LF or CR) that starts with a
// time tag.
bool holds_time_tagged_line(const char* text);

} // namespace lumivox
