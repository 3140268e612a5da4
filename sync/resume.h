// Resending the rest of a lyric line that playback has jumped into: the
// script is rebuilt from the point reached, behind the template prefix and
// the scope that was in force there.
#pragma once

#include <cstdint>

namespace lumivox {

// A set of SakuraScript scopes: bit n is scope n (0 to 7).
using ScopeMask = uint8_t;

// Rebuilds what is left of text elapsed_ms (> 0) after it began and sends it
// with current_trailer. Sends nothing when the position lies beyond the
// line's last wait, or the line cannot be read that far. Called under
// sync_lock.
void resume_line(int32_t elapsed_ms, const char* text);

// Reads the list after "\p" or "\_s": "[0,1]" is scopes 0 and 1; without a
// "[" it is 3 (scopes 0 and 1). Each digit 0-7 is one scope; any other
// character but "," ends the list.
ScopeMask parse_scope_list(const char* s);

// Writes the list ("[0,1]", "[2]", "[]" for none) without a NUL and returns
// the position after its "]". Writes at most 17 bytes.
char* write_scope_list(char* out, ScopeMask mask);

} // namespace lumivox
