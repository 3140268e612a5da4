// Stepping over the characters of the charsets lyrics are sent in: UTF-8 and
// the single-byte code pages by bytes, the double-byte code pages (Shift_JIS,
// the system's ANSI code page) by lead and trail. The loader, the script
// filter, the resume and the Direct probe all step with char_length, so that
// a charset rule changes in one place.
#pragma once

#include <cstdint>

namespace lumivox {

// Tells whether a byte starts a two-byte character of the line's charset;
// nullptr scans by bytes (UTF-8 and single-byte code pages). Only bytes of
// 0x80 and above are asked: no double-byte code page leads with ASCII.
using LeadBytes = bool (*)(unsigned char);

// Shift_JIS (code page 932): 0x81-0x9F and 0xE0-0xFC.
bool shift_jis_lead_byte(unsigned char byte);

inline bool is_lead_byte(LeadBytes lead, char c) {
    auto b = static_cast<unsigned char>(c);
    return lead != nullptr && b >= 0x80 && lead(b);
}

// The length of the character at p, of which available bytes (at least 1)
// may be read: 2 where a lead byte has its trail among them, 1 otherwise. A
// NUL, CR or LF is never a trail: a lead byte cut off by the end of its
// string or line stands alone, and the line end stays whole.
inline uint32_t char_length(const char* p, uint32_t available, LeadBytes lead) {
    if (available < 2 || !is_lead_byte(lead, p[0]))
        return 1;
    char trail = p[1];
    return trail != '\0' && trail != '\r' && trail != '\n' ? 2 : 1;
}

} // namespace lumivox
