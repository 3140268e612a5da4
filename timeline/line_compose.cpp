#include "timeline/line_compose.h"

#include "base/charset_trailer.h"
#include "base/text.h"
#include "timeline/lrc_syntax.h"
#include "timeline/timeline.h"

#include <cstdlib>
#include <cstring>

namespace lumivox {

namespace {

// Room for a lyric made ready: filtered, every byte doubled; with word
// stamps, each of at least 6 bytes a wait of at most 15. At most 2.5 times
// the line, and a NUL.
constexpr uint32_t ready_line_size = 3 * read_data_limit + 1;

// The longest length, at most limit, at which text can be cut: whole units
// as the ghost reads them, and lines sent as UTF-8 never inside one of its
// characters either, which a scan by bytes would leave half.
uint32_t cut_length(const char* text, uint32_t limit, LeadBytes lead) {
    uint32_t cut = whole_units_length(text, limit, lead);
    if (current_trailer != trailer_utf8)
        return cut;
    for (;;) {
        uint32_t start = cut;
        while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
            --start;
        if (start == cut)
            return cut;
        cut = whole_units_length(text, start, lead);
    }
}

} // namespace

// A composed text holds at most what one request carries (the script that
// fits beside the charset's ending), so that sending never cuts it and the
// template's suffix (its "\e") always arrives whole. An overlong lyric is
// cut to the room the prefix and suffix leave, at the end of a whole
// character and never between a backslash and its character, so nothing is
// left to pair with the suffix; a filtered lyric is filtered again up to the
// cut, so that a tag cut in two shows as text. Only a template that alone
// outgrows a request has the whole text cut, at the same kind of place.
// In .lrc syntax, word stamps become waits first (line_time: the line's first
// time as written). False only when the text cannot be allocated; text is
// nullptr when nothing but stamps stands in the lyric.
bool compose_text(const char* lyric, int32_t line_time, const LyricLoadContext& context,
                  char*& text) {
    text = nullptr;
    const uint32_t limit = max_script_length(current_trailer);
    const LeadBytes lead = context.lead;
    size_t prefix_length = template_prefix != nullptr ? std::strlen(template_prefix) : 0;
    size_t suffix_length = context.suffix != nullptr ? std::strlen(context.suffix) : 0;
    size_t frame = prefix_length + suffix_length;
    uint32_t room = frame < limit ? limit - static_cast<uint32_t>(frame) : 0;

    char ready[ready_line_size];
    char refiltered[ready_line_size];
    const char* body = lyric;
    uint32_t body_length = text_length_max(lyric, read_data_limit);
    if (context.lrc) {
        bool words = false;
        body_length = write_word_timed(lyric, body_length, line_time, context.filtered, lead, ready,
                                       ready_line_size, words);
        if (!words)
            return true;
        body = ready;
    } else if (context.filtered) {
        body_length = filter_lyric_script(lyric, body_length, lead, ready);
        body = ready;
    }
    if (context.filtered) {
        // Filtering what stands before a whole unit of filtered text adds at
        // most one backslash (for a tag cut in two); the loop makes sure.
        uint32_t cut = room + 1;
        while (body_length > room) {
            cut = cut > 0 ? cut_length(ready, cut - 1, lead) : 0;
            body_length = filter_lyric_script(ready, cut, lead, refiltered);
            body = refiltered;
        }
    } else if (body_length > room) {
        body_length = cut_length(body, room, lead);
    }

    size_t total = frame + body_length;
    text = static_cast<char*>(std::malloc(total + 1));
    if (text == nullptr)
        return false;
    char* end = text;
    if (prefix_length != 0)
        std::memcpy(end, template_prefix, prefix_length);
    end += prefix_length;
    std::memcpy(end, body, body_length);
    end += body_length;
    if (suffix_length != 0)
        std::memcpy(end, context.suffix, suffix_length);
    end[suffix_length] = '\0';
    if (total > limit) {
        uint32_t cut = cut_length(text, limit, lead);
        text[cut] = '\0';
        if (char* fitted = static_cast<char*>(std::realloc(text, cut + 1u)))
            text = fitted;
    }
    return true;
}

} // namespace lumivox
