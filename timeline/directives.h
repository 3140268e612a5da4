// The "@" lines of a lyric file: the script flag, the offset, the time
// ratio, the charset, the ghost and the file's own template. Internal to the
// loader.
#pragma once

#include "timeline/load_context.h"

namespace lumivox {

// Applies the directive line (starting with "@") to context; a line that
// names no directive changes nothing.
void apply_directive(const char* line, LyricLoadContext& context);

// What the directives took: the ghost's name and the file's own template.
void release_directives(LyricLoadContext& context);

} // namespace lumivox
