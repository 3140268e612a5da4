// The template that wraps every lyric: the file's own or the caller's, split
// at its placeholder into the template_prefix block and the suffix, and
// filtered where lines are. Internal to the loader.
#pragma once

#include "timeline/load_context.h"

namespace lumivox {

// Settles, once the first pass has fixed the charset, whether lines are
// filtered and which template wraps them: the file's own when it gave one,
// otherwise the caller's. The user's own template is never filtered; a
// prefix of it that would pair with a filtered lyric's first byte gets a
// space instead. False only when a block cannot be allocated.
bool settle_template(const char* template_text, bool untrusted, LyricLoadContext& context);

} // namespace lumivox
