// The loaded lyric: a table of timed lines sorted by start time, and the
// prefix block of the template the lines were wrapped in.
#pragma once

#include "timeline/script_filter.h"

#include <cstdint>

namespace lumivox {

// One time tag of a lyric line. A line with several tags gives several
// entries that point to one composed text; only the first accepted tag's
// entry owns it. The shared flag marks the others, so that each text is
// freed once, through its owner, and read from every entry. (A flag rather
// than a bit of the pointer word: on 64-bit builds no pointer bit is free.)
// A blank timed line of an .lrc file is a pause: an entry without a text,
// owned by nobody, at whose time the ghost stops singing.
struct TimedLine {
    int32_t time; // ms from position 0 of the track
    bool shared;  // the text belongs to another entry of the same line
    char* text;   // the composed SakuraScript: prefix, lyric, suffix; nullptr for a pause
};

inline bool is_pause(const TimedLine& line) {
    return line.text == nullptr;
}

// Owned by the loader while it loads, then by the scheduler, which alone
// frees them (sync_stop). entries is nullptr when no lyric is loaded.
extern TimedLine* entries;
extern int32_t count;

// Start of the heap block holding the template with NUL over its "%ILYX";
// it reads as the prefix. nullptr when no template with a placeholder is set.
extern char* template_prefix;

// Frees every text through its owning entry, the table and the template
// block, and leaves the Timeline empty. The scheduler calls it under its
// lock when a run stops.
void free_timeline();

// --- Reading the lines as the ghost reads them ------------------------------
// The lines' bytes are never converted: the ghost reads them in the charset
// their requests name, and so must every scan that looks for a backslash.

// The lead bytes of the charset current_trailer names: Shift_JIS, the
// system's code page (double-byte on some systems), or none for UTF-8.
LeadBytes line_lead_bytes();

// Past the character at p (not at its NUL): a lead byte and its trail, or
// one byte. A lead byte before a NUL, CR or LF stands alone.
const char* next_char(const char* p, LeadBytes lead);

// Past the unit at p (not at its NUL): a backslash with the character it
// escapes or names ("\\", "\0", "\_" ...), otherwise one character.
const char* next_unit(const char* p, LeadBytes lead);

// The longest length, at most limit, at which text can be cut and something
// else follow without changing how the ghost reads what stands before the
// cut: never inside a two-byte character, never after a lone lead byte, and
// never between a backslash and its character.
uint32_t whole_units_length(const char* text, uint32_t limit, LeadBytes lead);

// The longest wait: "\_w[", at most ten digits, "]".
constexpr uint32_t wait_length_max = 15;

// Writes the wait "\_w[ms]" (ms at least 1) and a NUL at out; returns the
// NUL's position.
char* write_wait(char* out, uint32_t ms);

} // namespace lumivox
