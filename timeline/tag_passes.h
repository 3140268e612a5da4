// The two passes over a file's lines: the first reads the directives and
// bounds the entries, the second stages one entry per accepted time tag.
// Internal to the loader.
#pragma once

#include "timeline/load_context.h"

namespace lumivox {

// Handles one line (NUL-terminated, line end removed): directives and the
// entry bounds while entries is nullptr; once it exists, appends one entry
// per accepted time tag in file order (sort_entries puts them in order
// after the pass).
void parse_lyric_line(const char* line, LyricLoadContext& context);

// Where a line's text begins: past its time tags and, in .lrc syntax, the
// blanks after them.
const char* past_time_tags(const char* line, const LyricLoadContext& context);

// After the second pass: the entries sorted by time (equal times in file
// order), then the pauses that could never end a line dropped.
void sort_entries();
void tidy_pauses();

} // namespace lumivox
