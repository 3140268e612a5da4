#include "timeline/directives.h"

#include "base/charset_trailer.h"
#include "base/host_api.h"
#include "base/text.h"

#include <bit>
#include <cstdlib>

namespace lumivox {

namespace {

// "@TimeRatio=" above 1 slows the clock by this factor (0.9953125 as close
// as a double gets).
const double reduced_ratio = std::bit_cast<double>(0x3FEFD9999999999Aull);

bool is_visible_ascii(char c) {
    auto u = static_cast<unsigned char>(c);
    return u >= 0x21 && u <= 0x7F;
}

void apply_script(const char* value, LyricLoadContext& context) {
    context.script = parse_time_value(value, context.script);
}

void apply_offset(const char* value, LyricLoadContext& context) {
    context.offset = parse_time_value(value, context.offset);
}

void apply_ratio(const char* value, LyricLoadContext& context) {
    if (parse_time_value(value, 0) > 1)
        context.ratio = reduced_ratio;
}

// No charset name begins with a byte of 0x80 or above: such a value changes
// nothing, like an empty one.
void apply_charset(const char* value, LyricLoadContext& context) {
    if (stricmp_utf8(value, "UTF-8") == 0)
        current_trailer = trailer_utf8;
    else if (stricmp_utf8(value, "Shift_JIS") == 0)
        current_trailer = trailer_shift_jis;
    else if (is_visible_ascii(value[0]))
        current_trailer = trailer_plain;
    else
        return;
    context.charset_named = true;
}

// Puts a heap copy of value in place of what slot held; a copy that cannot
// be made fails the load and leaves slot as it was.
void keep_copy(char*& slot, const char* value, LyricLoadContext& context) {
    char* copy = dup_string(value);
    if (copy == nullptr) {
        context.failed = true;
        return;
    }
    std::free(slot);
    slot = copy;
}

// A name that begins with a byte of 0x80 or above is taken: ghost names are
// commonly Japanese, and that is why the name is converted from the file's
// character set before the probe. Empty names and names that begin with a
// space or a control character change nothing.
void apply_ghost(const char* value, LyricLoadContext& context) {
    if (static_cast<unsigned char>(value[0]) <= 0x20)
        return;
    keep_copy(context.ghost, value, context);
}

// The file's own template is kept as written: which of its placeholders
// counts, and how it is filtered, depends on the charset, which a later
// directive may still change. A value without a placeholder changes nothing.
void apply_primary(const char* value, LyricLoadContext& context) {
    if (find_substring(value, placeholder, placeholder_length) == nullptr)
        return;
    keep_copy(context.own_template, value, context);
}

struct Directive {
    const char* name; // with its "="
    size_t length;
    void (*apply)(const char* value, LyricLoadContext& context);
};

template <size_t N>
constexpr Directive directive(const char (&name)[N],
                              void (*apply)(const char*, LyricLoadContext&)) {
    return {name, N - 1, apply};
}

// Tested in this order; the first whose whole name matches applies.
const Directive directives[] = {
    directive("@SakuraScript=", &apply_script),
    directive("@SakuraScriptOffset=", &apply_offset),
    directive("@TimeRatio=", &apply_ratio),
    directive("@SakuraScriptCharset=", &apply_charset),
    directive("@SakuraScriptGhost=", &apply_ghost),
    directive("@TessalySakuraScriptLyricsPrimary=", &apply_primary),
};

} // namespace

void apply_directive(const char* line, LyricLoadContext& context) {
    for (const Directive& d : directives) {
        if (stricmp_utf8_max(line, d.name, d.length) == 0) {
            d.apply(line + d.length, context);
            return;
        }
    }
}

void release_directives(LyricLoadContext& context) {
    std::free(context.ghost);
    context.ghost = nullptr;
    std::free(context.own_template);
    context.own_template = nullptr;
}

} // namespace lumivox
