// A lyric line made ready to send: word stamps turned into waits, filtered,
// wrapped in the template and cut to what one request carries. Internal to
// the loader.
#pragma once

#include "timeline/load_context.h"

#include <cstdint>

namespace lumivox {

// Composes the text of lyric, the line's first time as written being
// line_time (word stamps count from it), into a heap text. False only when
// the text cannot be allocated; text is nullptr when nothing but stamps
// stands in the lyric.
bool compose_text(const char* lyric, int32_t line_time, const LyricLoadContext& context,
                  char*& text);

} // namespace lumivox
