#include "sync/resume.h"

#include "base/text.h"
#include "sstp/request.h"
#include "timeline/timeline.h"

namespace lumivox {

namespace {

// Appends text at out, cutting what would pass limit (where the NUL goes at
// the latest); send_resumed then cuts an overlong script to what a request
// carries.
void append(char*& out, const char* limit, const char* text) {
    out = copy_string_end_max(out, text, static_cast<uint32_t>(limit - out));
}

// The scope command that re-establishes mask: "\_s[..]" in synchronized
// mode, otherwise "\0", "\1" or "\p[..]". At most 21 bytes and a NUL.
void write_scope_command(char* out, ScopeMask mask, bool synchronized) {
    *out++ = '\\';
    if (synchronized) {
        *out++ = '_';
        *out++ = 's';
        out = write_scope_list(out, mask);
    } else if ((mask & 1u) != 0) {
        *out++ = '0';
    } else if ((mask & 2u) != 0) {
        *out++ = '1';
    } else {
        *out++ = 'p';
        out = write_scope_list(out, mask);
    }
    *out = '\0';
}

// The rebuilt script must fit one request whole, so that sending does not
// cut it at a place of its own choosing: cut here, it ends on a whole unit
// of the line's charset.
void send_resumed(ScopeMask mask, bool synchronized, int64_t remaining, const char* rest,
                  LeadBytes lead) {
    char script[request_buffer_size];
    char* out = script;
    const char* limit = script + sizeof script - 1;
    *out = '\0';
    if (template_prefix != nullptr)
        append(out, limit, template_prefix);
    char command[32];
    write_scope_command(command, mask, synchronized);
    append(out, limit, command);
    if (remaining < 0) {
        // Above -2^31 here: the time before the wait was above 0 and the
        // wait holds at most 2^31 - 1 ms.
        char wait[wait_length_max + 1];
        write_wait(wait, static_cast<uint32_t>(-remaining));
        append(out, limit, wait);
    }
    append(out, limit, rest);
    uint32_t fits = max_script_length(current_trailer);
    if (static_cast<uint32_t>(out - script) > fits)
        script[whole_units_length(script, fits, lead)] = '\0';
    send_sstp_request(script, current_trailer);
}

// The first c at or after p that is a character of its own, not the trail
// byte of a two-byte one; nullptr when there is none.
const char* find_char(const char* p, char c, LeadBytes lead) {
    for (; *p != '\0'; p = next_char(p, lead)) {
        if (*p == c)
            return p;
    }
    return nullptr;
}

} // namespace

ScopeMask parse_scope_list(const char* s) {
    if (s[0] != '[')
        return 3;
    ScopeMask mask = 0;
    for (const char* p = s + 1;; ++p) {
        if (*p >= '0' && *p <= '7')
            mask = static_cast<ScopeMask>(mask | (1u << (*p - '0')));
        else if (*p != ',')
            return mask;
    }
}

char* write_scope_list(char* out, ScopeMask mask) {
    *out++ = '[';
    for (int scope = 0; scope < 8; ++scope) {
        if ((mask & (1u << scope)) != 0) {
            *out++ = static_cast<char>('0' + scope);
            *out++ = ',';
        }
    }
    // The last "," becomes the "]"; an empty list keeps its "[" and gets one.
    if (out[-1] == ',')
        --out;
    *out++ = ']';
    return out;
}

void resume_line(int32_t elapsed_ms, const char* text) {
    // The line is read as the ghost reads it, character by character in the
    // charset it is sent in: a trail byte of 0x5C is no backslash, and an
    // escaped backslash ("\\") is one unit, so what follows it is text.
    LeadBytes lead = line_lead_bytes();
    // 64 bits: waits may be negative or huge, and t must not overflow.
    int64_t remaining = elapsed_ms;
    ScopeMask mask = 1;
    bool synchronized = false;
    const char* slash = find_char(text, '\\', lead);
    while (slash != nullptr) {
        const char* next = nullptr;
        switch (slash[1]) {
        case '\0':
            return;
        case '0':
        case 'h':
            mask = 1;
            break;
        case '1':
        case 'u':
            mask = 2;
            break;
        case 'p':
            mask = parse_scope_list(slash + 2);
            break;
        case '_': {
            char c2 = slash[2];
            if (c2 == '\0')
                return;
            next = next_char(slash + 2, lead);
            if (c2 == 's') {
                synchronized = !synchronized;
                mask = synchronized ? parse_scope_list(slash + 3) : 1;
            } else if (c2 == 'w' && slash[3] == '[') {
                remaining -= parse_time_value(slash + 4, 0);
                const char* close = find_char(slash + 4, ']', lead);
                if (close == nullptr || close[1] == '\0')
                    return;
                const char* rest = close + 1;
                if (remaining <= 0) {
                    send_resumed(mask, synchronized, remaining, rest, lead);
                    return;
                }
                next = rest;
            }
            break;
        }
        default:
            break;
        }
        // Past the backslash and the character it escapes or names.
        if (next == nullptr)
            next = next_char(slash + 1, lead);
        slash = find_char(next, '\\', lead);
    }
}

} // namespace lumivox
