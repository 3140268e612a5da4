// The loaded lyric: a table of timed lines sorted by start time, and the
// prefix block of the template the lines were wrapped in.
#pragma once

#include <cstdint>

namespace lumivox {

// One time tag of a lyric line. A line with several tags gives several
// entries that point to one composed text; only the first accepted tag's
// entry owns it. The shared flag marks the others, so that each text is
// freed once, through its owner, and read from every entry. (A flag rather
// than a bit of the pointer word: on 64-bit builds no pointer bit is free.)
struct TimedLine {
    int32_t time; // ms from position 0 of the track
    bool shared;  // the text belongs to another entry of the same line
    char* text;   // the composed SakuraScript: prefix, lyric, suffix
};

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

} // namespace lumivox
