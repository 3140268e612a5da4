#include "timeline/templates.h"

#include "base/text.h"
#include "component/settings.h" // upward: the user's settings
#include "timeline/timeline.h"

#include <cstdlib>
#include <cstring>

namespace lumivox {

namespace {

// Replaces the template block by prefix, NUL, suffix (with pad, a space
// after the prefix); false when it cannot be allocated.
bool set_template(const char* prefix, size_t prefix_length, const char* suffix,
                  size_t suffix_length, bool pad, LyricLoadContext& context) {
    size_t head = prefix_length + (pad ? 1 : 0);
    char* block = static_cast<char*>(std::malloc(head + 1 + suffix_length + 1));
    if (block == nullptr)
        return false;
    std::memcpy(block, prefix, prefix_length);
    if (pad)
        block[prefix_length] = ' ';
    block[head] = '\0';
    std::memcpy(block + head + 1, suffix, suffix_length);
    block[head + 1 + suffix_length] = '\0';
    std::free(template_prefix);
    template_prefix = block;
    context.suffix = block + head + 1;
    return true;
}

// Splits text at its first placeholder (the "%" exactly, "ILYX" in any
// case). With pad_dangling, a prefix that ends in a lone lead byte or a lone
// backslash, as lead reads it, gets a space, so that it cannot pair with a
// lyric's first byte. A text without a placeholder changes nothing.
bool split_template(const char* text, bool pad_dangling, LyricLoadContext& context) {
    const char* at = find_substring(text, placeholder, placeholder_length);
    if (at == nullptr)
        return true;
    auto prefix_length = static_cast<uint32_t>(at - text);
    bool pad =
        pad_dangling && whole_units_length(text, prefix_length, context.lead) != prefix_length;
    const char* suffix = at + placeholder_length;
    return set_template(text, prefix_length, suffix, std::strlen(suffix), pad, context);
}

// The first placeholder of text that begins a unit as the ghost reads text
// in lead's charset: one right after a backslash or a lead byte belongs to
// that escape or character.
const char* unit_placeholder(const char* text, LeadBytes lead) {
    const char* unit = text;
    for (const char* at = find_substring(text, placeholder, placeholder_length); at != nullptr;
         at = find_substring(unit, placeholder, placeholder_length)) {
        while (unit < at)
            unit = next_unit(unit, lead);
        if (unit == at)
            return at;
    }
    return nullptr;
}

// The file's own template, filtered: split where the ghost reads the
// placeholder, and each side filtered on its own, so that no tag of the
// template reaches across the lyric and neither side ends in a character the
// lyric could complete. False only when a block cannot be allocated; a
// template whose placeholders all belong to another character leaves the
// caller's in force.
bool split_filtered_template(const char* text, bool& split, LyricLoadContext& context) {
    split = false;
    const char* at = unit_placeholder(text, context.lead);
    if (at == nullptr)
        return true;
    auto prefix_length = static_cast<uint32_t>(at - text);
    const char* suffix = at + placeholder_length;
    uint32_t suffix_length = text_length(suffix);
    char* parts = static_cast<char*>(std::malloc(2 * static_cast<size_t>(prefix_length) +
                                                 2 * static_cast<size_t>(suffix_length) + 2));
    if (parts == nullptr)
        return false;
    uint32_t prefix_out = filter_lyric_script(text, prefix_length, context.lead, parts);
    char* suffix_part = parts + prefix_out + 1;
    uint32_t suffix_out = filter_lyric_script(suffix, suffix_length, context.lead, suffix_part);
    bool done = set_template(parts, prefix_out, suffix_part, suffix_out, false, context);
    std::free(parts);
    split = done;
    return done;
}

} // namespace

bool settle_template(const char* template_text, bool untrusted, LyricLoadContext& context) {
    context.filtered = untrusted || !lyric_script_trusted();
    context.lead = line_lead_bytes();
    if (context.own_template != nullptr) {
        if (!context.filtered)
            return split_template(context.own_template, false, context);
        bool split = false;
        if (!split_filtered_template(context.own_template, split, context))
            return false;
        if (split)
            return true;
    }
    return split_template(template_text, context.filtered, context);
}

} // namespace lumivox
