// The lyric loader: reads one lyric file in two passes into the Timeline
// (timeline.h), wrapping every lyric line in the PrimaryTemplate.
#pragma once

#include <cstdint>

namespace lumivox {

// The state of one load, on the loader's stack.
struct LyricLoadContext {
    int32_t script = 0;           // non-zero: the file is a lyric script
    int32_t offset = 0;           // ms added to every time tag
    const char* suffix = nullptr; // into the template_prefix block: what follows each lyric
    char* ghost = nullptr;        // heap name of the ghost the file asks for
    double ratio = 1.0;           // every adjusted time is divided by it

    // Slots of entries during the second pass: no line may stage beyond
    // them, even if the file changed since the first pass counted.
    int32_t capacity = 0;
    // Set when the load cannot go on: an allocation failed, or the first
    // pass's bound outgrew a 32-bit count.
    bool failed = false;
};

// Loads the lyric file at path (UTF-8) into the Timeline, starting from the
// template text (never null) and the script flag script_default. Returns the
// number of entries, or 0 with the Timeline empty and template_prefix none.
// Expects an empty Timeline and current_trailer set for this candidate; a
// charset directive changes current_trailer even when the load fails.
int32_t load_lyric_file(const char* path, const char* template_text, int32_t script_default);

// When template_text holds "%ILYX" (the "%" exactly, the rest in any case),
// replaces the template_prefix block by a copy of the template cut at the
// placeholder, and points context.suffix behind it. Otherwise does nothing.
// False only when the copy could not be allocated (the old block stays).
bool split_primary_template(const char* template_text, LyricLoadContext& context);

// Handles one line (NUL-terminated, line end removed): directives and the
// entry bound while entries is nullptr, time tags once it exists.
void parse_lyric_line(const char* line, LyricLoadContext& context);

// Inserts the time staged in slot count of entries with text at its place in
// the sorted order, after every entry of the same time, and adds 1 to count.
// shared marks an entry whose text belongs to an earlier entry of its line.
char* insert_timed_line(char* text, bool shared);

} // namespace lumivox
