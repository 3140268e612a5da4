#include "timeline/timeline.h"

#include "base/charset_trailer.h"
#include "base/text.h"
#include "platform/codepage.h"

#include <cstdlib>

namespace lumivox {

TimedLine* entries = nullptr;
int32_t count = 0;
char* template_prefix = nullptr;

void free_timeline() {
    if (entries != nullptr) {
        for (int32_t i = 0; i < count; ++i) {
            if (!entries[i].shared)
                std::free(entries[i].text);
        }
        std::free(entries);
    }
    entries = nullptr;
    count = 0;
    std::free(template_prefix);
    template_prefix = nullptr;
}

LeadBytes line_lead_bytes() {
    if (current_trailer == trailer_utf8)
        return nullptr;
    if (current_trailer == trailer_shift_jis)
        return shift_jis_lead_byte;
    return platform::system_lead_byte;
}

const char* next_char(const char* p, LeadBytes lead) {
    // A byte past a lead byte is the string's own: at worst its NUL.
    return p + char_length(p, 2, lead);
}

const char* next_unit(const char* p, LeadBytes lead) {
    if (p[0] == '\\' && p[1] != '\0')
        return next_char(p + 1, lead);
    return next_char(p, lead);
}

char* write_wait(char* out, uint32_t ms) {
    char* end = copy_string_end(out, "\\_w[");
    end = write_unsigned(end, ms);
    return copy_string_end(end, "]");
}

uint32_t whole_units_length(const char* text, uint32_t limit, LeadBytes lead) {
    uint32_t whole = 0;
    for (const char* p = text; *p != '\0';) {
        const char* end = next_unit(p, lead);
        if (static_cast<uint32_t>(end - text) > limit)
            break;
        // A unit that ends in a lone lead byte, or a backslash with nothing
        // after it, would take its partner from what follows the cut.
        const char* last = end - 1;
        bool lone_backslash = last == p && *p == '\\';
        bool lone_lead = is_lead_byte(lead, *last) && (last == p || (last == p + 1 && *p == '\\'));
        if (!lone_backslash && !lone_lead)
            whole = static_cast<uint32_t>(end - text);
        p = end;
    }
    return whole;
}

} // namespace lumivox
