// The six persisted settings and the configuration blob the host keeps them
// in: records of GUID, 32-bit little-endian size and data.
#pragma once

#include "component/host_api.h"
#include "component/text_buffer.h"

#include <cstdint>

namespace lumivox {

// cfg_options: bits 0-1 the charset index for ".txt" files (0 plain, 1 UTF-8,
// 2 Shift_JIS, 3 plain), bit 8 allows ".lrc" files, bit 12 selects Direct
// SSTP instead of TCP.
extern uint32_t cfg_options;
// cfg_features: bit 0 the sung lyrics, bit 4 the start-up and exit scripts,
// bit 8 the next-song announcement; 0 turns the component off.
extern uint32_t cfg_features;
extern TextBuffer& cfg_primary;        // the PrimaryTemplate, with "%ILYX"
extern TextBuffer& cfg_startup_script; // sent when the host starts
extern TextBuffer& cfg_exit_script;    // sent when the host exits
extern TextBuffer& cfg_playing_script; // title-formatted on a new track

constexpr uint32_t default_options = 0x1100;
constexpr uint32_t default_features = 0x111;
// Backslashes are SakuraScript's own: "\0" is a backslash and a zero.
inline constexpr char default_primary[] = "\\0\\s[25]%ILYX\\e";
inline constexpr char default_startup_script[] = "\\0\\s[0]foobar2000 is starting up.\\e";
inline constexpr char default_exit_script[] = "\\0\\s[0]foobar2000 is exiting.\\e";
inline constexpr char default_playing_script[] =
    "'\\0\\s[0]Next song is '%title%['\\nSung by '%artist%]'\\e'";

// Load: puts every setting at its default and links the settings into the
// blob's list (cfg_options first, so that cfg_playing_script heads it).
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
// Puts all six settings back to their defaults; nothing else.
void reset_defaults();

} // namespace lumivox
