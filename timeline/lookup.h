// Finding a track's lyric file: up to nine candidates in the track's folder.
#pragma once

#include "sstp/request.h"

#include <cstdint>

namespace lumivox {

// The working buffer of candidate paths. A candidate that does not fit it
// whole (with its NUL) is refused without being opened.
constexpr uint32_t lyric_path_buffer_size = 2052;

// Sets start_tick first, whatever happens. path is the host's location
// ("file://" and a local path); title and artist may be null. Tries the
// track's own name, the title, then "artist - title", each as ".ssl", ".txt"
// and (when options allow .lrc files) ".lrc". A candidate is skipped when a
// tag in it would lead out of the track's folder (a "/" or "\", the whole
// tag "..", on Windows a ":"). Returns the first entry's time of the
// Timeline that loaded, or -1 when none did.
int32_t find_lyrics_for_track(const char* template_text, uint32_t options, const char* path,
                              const char* title, const char* artist);

// Writes each extension at extension_position of path_buffer (a buffer of
// lyric_path_buffer_size bytes) and loads it, setting current_trailer before
// each; true as soon as one load yields entries. Refuses (false, nothing
// opened) when the extension would not fit the buffer.
bool try_lyric_extensions(char* path_buffer, const char* template_text, char* extension_position,
                          bool allow_lrc, const CharsetTrailer* txt_trailer);

} // namespace lumivox
