// The lyric loader: reads one lyric file in two passes into the Timeline
// (timeline.h), wrapping every lyric line in the PrimaryTemplate.
#pragma once

#include "timeline/script_filter.h"

#include <cstdint>

namespace lumivox {

// The state of one load, on the loader's stack.
struct LyricLoadContext {
    int32_t script = 0;           // non-zero: the file is a lyric script
    int32_t offset = 0;           // ms added to every time tag
    const char* suffix = nullptr; // into the template_prefix block: what follows each lyric
    char* ghost = nullptr;        // heap name of the ghost the file asks for
    double ratio = 1.0;           // every adjusted time is divided by it

    // The first pass's count of the entries the second pass can give: the
    // time tags of lines with a lyric. It sizes the table, which count (the
    // number of "]" in "[" lines) would oversize many times over.
    int32_t slots = 0;
    // Slots of entries during the second pass: no line may stage beyond
    // them, even if the file changed since the first pass counted.
    int32_t capacity = 0;
    // Set when the load cannot go on: an allocation failed, or the first
    // pass's bound outgrew a 32-bit count.
    bool failed = false;

    // The file's own template as written (heap), when a directive gave one
    // with "%ILYX"; the template is settled from it or the caller's once the
    // first pass has fixed the charset.
    char* own_template = nullptr;
    // Lines and the file's own template go through the script filter (the
    // user has not chosen to trust lyric scripts), read in the charset of
    // lead; both are set when the template is settled.
    bool filtered = false;
    LeadBytes lead = nullptr;
};

// Loads the lyric file at path (UTF-8) into the Timeline, starting from the
// template text (never null) and the script flag script_default. Returns the
// number of entries, or 0 with the Timeline empty and template_prefix none.
// Expects an empty Timeline and current_trailer set for this candidate; a
// charset directive changes current_trailer even when the load fails.
//
// Unless the settings trust lyric scripts (read at each load), every line's
// lyric and the file's own template pass through filter_lyric_script; the
// caller's template is the user's own and is never filtered.
int32_t load_lyric_file(const char* path, const char* template_text, int32_t script_default);

// Handles one line (NUL-terminated, line end removed): directives and the
// entry bounds while entries is nullptr; once it exists, appends one entry
// per accepted time tag in file order (load_lyric_file sorts them after the
// pass).
void parse_lyric_line(const char* line, LyricLoadContext& context);

} // namespace lumivox
