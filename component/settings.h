// The persisted settings and the configuration blob the host keeps them in:
// records of GUID, 32-bit little-endian size and data.
#pragma once

#include "base/host_api.h"
#include "component/text_buffer.h"

#include <cstdint>

namespace lumivox {

// The two words are read and composed only through the named parts below;
// which bits they occupy is settings.cpp's business alone.
extern uint32_t cfg_options;
extern uint32_t cfg_features;
extern TextBuffer& cfg_primary;        // the PrimaryTemplate, with "%ILYX"
extern TextBuffer& cfg_startup_script; // sent when the host starts
extern TextBuffer& cfg_exit_script;    // sent when the host exits
extern TextBuffer& cfg_playing_script; // title-formatted on a new track

// The lyric sources beyond the track's own folder and tags, stored in
// records of their own after the six above: a blob without them reads as
// before, and older versions skip them.
extern uint32_t cfg_lyric_download;   // read through lrclib_download()
extern TextBuffer& cfg_lyrics_folder; // a folder of the user's lyric files; "" for none
extern TextBuffer& cfg_lrclib_server; // where lyrics are downloaded from

// Charset index 0, .lrc files allowed, Direct SSTP; all three features.
extern const uint32_t default_options;
extern const uint32_t default_features;
// Backslashes are SakuraScript's own: "\0" is a backslash and a zero.
inline constexpr char default_primary[] = "\\0\\s[25]%ILYX\\e";
inline constexpr char default_startup_script[] = "\\0\\s[0]foobar2000 is starting up.\\e";
inline constexpr char default_exit_script[] = "\\0\\s[0]foobar2000 is exiting.\\e";
inline constexpr char default_playing_script[] =
    "'\\0\\s[0]Next song is '%title%['\\nSung by '%artist%]'\\e'";
// Nothing is downloaded unless the user asks for it.
extern const uint32_t default_lyric_download;
inline constexpr char default_lrclib_server[] = "https://lrclib.net";

// --- The parts of cfg_options and cfg_features -----------------------------
// Each reader takes the word to decode and reads the setting as it stands at
// the call when given none. A part's bits are known to settings.cpp alone, so
// a new part is one more enumerator here and one more entry there.

// The one-bit parts of cfg_options.
enum class Option : uint32_t {
    lrc_allowed, // ".lrc" lyric files are looked for too
    direct_sstp, // deliver to the ghost's window instead of over TCP
    // Lyric lines and a lyric file's own template reach the ghost unfiltered;
    // off by default, since lyric files come from anywhere.
    lyric_script_trusted,
};

// The one-bit parts of cfg_features.
enum class Feature : uint32_t {
    send_singing,      // the timed lyric lines, wrapped in cfg_primary
    send_startup_exit, // cfg_startup_script at host start, cfg_exit_script at exit
    send_playing,      // cfg_playing_script, title-formatted, on a new track
};

// The charset of ".txt" lyric files and of the requests carrying their lines,
// in the order of the page's list; unnamed (stored, never chosen on the page)
// sends as system does.
enum class TxtCharset : uint32_t { system, utf8, shift_jis, unnamed };

bool option_set(Option option, uint32_t options = cfg_options);
bool feature_set(Feature feature, uint32_t features = cfg_features);
TxtCharset txt_charset(uint32_t options = cfg_options);
// False when every feature is off: the component then does nothing at all.
bool component_enabled(uint32_t features = cfg_features);

inline bool lrc_allowed(uint32_t options = cfg_options) {
    return option_set(Option::lrc_allowed, options);
}
inline bool direct_sstp(uint32_t options = cfg_options) {
    return option_set(Option::direct_sstp, options);
}
inline bool lyric_script_trusted(uint32_t options = cfg_options) {
    return option_set(Option::lyric_script_trusted, options);
}
inline bool send_singing(uint32_t features = cfg_features) {
    return feature_set(Feature::send_singing, features);
}
inline bool send_startup_exit(uint32_t features = cfg_features) {
    return feature_set(Feature::send_startup_exit, features);
}
inline bool send_playing(uint32_t features = cfg_features) {
    return feature_set(Feature::send_playing, features);
}

// Synced lyrics are downloaded for tracks with no lyrics on the machine.
bool lrclib_download(uint32_t word = cfg_lyric_download);
// The word with the download switched; every other bit kept.
uint32_t with_lrclib_download(uint32_t word, bool on);

// Composing a word: the word with one part replaced and every other bit kept.
uint32_t with_option(uint32_t options, Option option, bool on);
uint32_t with_feature(uint32_t features, Feature feature, bool on);
// Only the field's width of charset is taken.
uint32_t with_txt_charset(uint32_t options, TxtCharset charset);

// --- Life and persistence --------------------------------------------------

// Load: puts every setting at its default and links the settings into the
// blob's list: the six first (cfg_options first, so that cfg_playing_script
// heads it), then the later settings in the order they came.
// Called once at load, before the host hands in a blob; a second call while
// registered does nothing. Until then the words read as their defaults and
// the texts as "".
void settings_register();
// Unload: frees the texts' storage and empties the list.
void settings_release();

// Writes one record per setting, in list order. Failures of the host's
// stream are thrown by it and pass through.
void write_blob(HostOutputStream& out, HostAbortToken& abort);
// Applies every record of the blob whose GUID names a setting, in order;
// ends quietly at a tail shorter than a GUID. A failure of the host's stream
// passes through; settings applied before it stay applied, and a text is
// either wholly replaced or left as it was.
void read_blob(HostInputStream& in, HostAbortToken& abort);
// Puts every setting back to its default; nothing else.
void reset_defaults();

} // namespace lumivox
