// What .lrc files write: time tags, an "[offset:N]" line that moves every
// time, and word stamps ("<mm:ss.xx>") that time the words of a line.
#pragma once

#include "timeline/script_filter.h"

#include <cstdint>

namespace lumivox {

// When p starts a time tag (a "[", a time as parse_time_value reads it,
// anything up to the next "]" on the same line, which a NUL, CR or LF ends),
// reads its time into value, moves p past the "]" and says true; otherwise
// leaves both alone. The loader's passes and the lookup's check of embedded
// lyrics read tags by it alone.
bool take_time_tag(const char*& p, int32_t& value);

// Reads an "[offset:N]" line ("offset" in any case): N whole milliseconds,
// signed ("+500", "-250", "300"), blanks allowed around it, then "]". False,
// with offset unchanged, for anything else or an N beyond 32 bits.
bool read_lrc_offset(const char* line, int32_t& offset);

// Writes the lyric (length bytes) into out (out_size bytes, at least 1) with
// its word stamps made waits, and a NUL; returns the bytes before the NUL.
// A stamp is "<", one to three digits of minutes, ":", two of seconds and
// optionally "." and one to three of fraction, then ">"; each becomes
// "\_w[ms]", ms being its time less the stamp before it (for the first, the
// line's own time as written, line_time), and adds nothing where that is 0
// or less. Any other "<" is text. The pieces of text between stamps are
// filtered one by one when filtered is set (the filter then never reads a
// wait as part of a tag); unfiltered, a piece that ends in a lone backslash
// or lead byte gets a space when something follows, as the wait it would
// swallow is not the lyric's. Stops before a piece or wait that would not
// fit out. words tells whether any text is left beside the waits.
uint32_t write_word_timed(const char* lyric, uint32_t length, int32_t line_time, bool filtered,
                          LeadBytes lead, char* out, uint32_t out_size, bool& words);

} // namespace lumivox
