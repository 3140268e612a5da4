// Makes an untrusted lyric line (or a lyric file's own template) safe to hand
// to the ghost: the SakuraScript tags that only show text, lay it out or wait
// are kept; every other backslash is doubled, so that whatever it began shows
// as text and nothing runs.
#pragma once

#include "base/lead_bytes.h"

#include <cstdint>

namespace lumivox {

// Filters length bytes of text (a line without its line end) into out, which
// the caller sizes to at least 2 * length + 1 bytes. Writes the result and a
// NUL behind it; returns the bytes written before the NUL (at most
// 2 * length). Reads no byte past length and writes none past 2 * length + 1.
// Filtering the result again gives the same result.
//
// The line is scanned by characters: with lead, a lead byte and the byte after
// it are one character (as the ghost reads them), so a trail byte of 0x5C is
// no backslash. A CR or LF never serves as a trail byte.
//
// Kept exactly, where D is one or more ASCII digits:
//   \\ \%                                    escapes
//   \0 \1 \h \u \4 \5 \C \e \_q
//   \c  \c[char,D]  \c[line,D]
//   \n  \n[half]  \n[D]
//   \_s  \_s[D]  \_s[D,D...]                 (commas between, none empty)
//   \pN \p[D]   \sN \s[I]   \bN \b[I]        N one digit; I is D or -D
//   \i[D]  \i[D,wait]
//   \w1 ... \w9   \_w[D]   \__w[D]
//   \f[A]        A one or more characters, none of them \ [ ] CR LF NUL
//   \_l[P,P]     P an optional '@', an optional '-', then D
//   \_u[H] \_m[H]  H an optional "0x" or "0X", then one or more hex digits
//   \&[E]        E one or more ASCII letters and digits, or '#' then D
// Letter case counts (\E, \S[1] are not kept). Where a '[' follows \c, \n or
// \_s, the bracket form is the tag, and a malformed one (unclosed, nested,
// other content) is not kept; so too for \p \s \b without a digit.
//
// Everything else: a backslash that begins no kept tag is doubled, the
// character after it then read as text (a backslash at the very end too,
// which would otherwise swallow the backslash of the template's suffix).
// CR and LF become spaces (they would break the request's framing). A lead
// byte without a trail (at the end, or before a CR or LF) gets a space after
// it, so that the ghost pairs it with that space rather than with the first
// byte of the template's suffix. Every other byte is copied.
uint32_t filter_lyric_script(const char* text, uint32_t length, LeadBytes lead, char* out);

} // namespace lumivox
