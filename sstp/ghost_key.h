// The name of the ghost a lyric file asks for, as the probes look it up.
#pragma once

namespace lumivox {

// Each text is ".name", 0x01, the ghost's name in one encoding, CR, NUL: the
// CR makes the name match whole, since every listing entry ends with CR LF.
// A text is nullptr where the name has no exact form in its encoding.
struct GhostKey {
    const char* utf8;   // for the listing "SakuraUnicode", always UTF-8
    const char* system; // for the listing "Sakura", in the system code page
};

} // namespace lumivox
