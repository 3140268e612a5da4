// Asking LRCLIB, a free database of synced lyrics, for a track's lyrics:
// the request's address, the reading of its answer, and the text that is
// sung and saved. The functions here may throw std::bad_alloc; their callers
// catch it.
#pragma once

#include <cstddef>
#include <string>

namespace lumivox {

// Names Lumivox and its version to the server.
const char* lrclib_user_agent();

// What is sent: the track's tags as the player gives them (UTF-8).
struct LrclibQuery {
    const char* artist;
    const char* title;
    const char* album;     // nullptr or "" when the player gives none
    double length_seconds; // 0 or less when the player does not know it
};

// server (without a "/" at its end, or with) + "/api/get?artist_name=...&
// track_name=...", then "&album_name=..." and "&duration=N" (whole seconds,
// rounded) when known; every value UTF-8 and percent-encoded.
std::string lrclib_request_url(const std::string& server, const LrclibQuery& query);

enum class LrclibVerdict {
    synced,       // syncedLyrics holds time-tagged lines
    instrumental, // no lyrics to sing: the track has no words
    plain_only,   // only plainLyrics, which have no times to sing them at
    no_lyrics,    // an answer without any of them
    malformed,    // not a JSON object
};

// Reads the JSON body of a 200 answer; only the object's own syncedLyrics,
// plainLyrics and instrumental count. With synced, synced_lyrics is the
// text.
LrclibVerdict read_lrclib_answer(const char* json, size_t length, std::string& synced_lyrics);

// What of the downloaded lyrics is sung: the lines that start with "[" (time
// tags and LRC's own tags), NUL bytes dropped; lines ending in LF. A
// downloaded text has no say over what the component does beyond its lines,
// so its "@" directives (ghost, template, charset) are left out.
std::string downloaded_lrc(const std::string& synced_lyrics);

// The same lines as they are saved: each through the safe-lyrics filter, so
// that the file sings the same whether or not the user trusts lyric files.
std::string saved_lrc(const std::string& lrc);

} // namespace lumivox
