#include "timeline/loader.h"

#include "component/host_api.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "sstp/request.h"
#include "timeline/text.h"
#include "timeline/timeline.h"

#include <bit>
#include <cstdlib>
#include <cstring>

namespace lumivox {

namespace {

// One buffer serves for reading: up to 4,095 bytes of data and a NUL.
constexpr uint32_t read_buffer_size = 4096;
constexpr uint32_t read_data_limit = read_buffer_size - 1;

// What parse_time_value gives back for a tag that holds no time.
constexpr int32_t no_time = INT32_MIN;

// The ghost key is built in 2,048 bytes: ".name", 0x01, the converted name
// with its CR, and a NUL.
constexpr uint32_t ghost_key_size = 2048;
constexpr char ghost_key_prefix[] = ".name\x01";
constexpr uint32_t ghost_key_prefix_length = sizeof ghost_key_prefix - 1;

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
void apply_charset(const char* value, LyricLoadContext&) {
    if (stricmp_utf8(value, "UTF-8") == 0)
        current_trailer = trailer_utf8;
    else if (stricmp_utf8(value, "Shift_JIS") == 0)
        current_trailer = trailer_shift_jis;
    else if (is_visible_ascii(value[0]))
        current_trailer = trailer_plain;
}

// A name that begins with a byte of 0x80 or above is taken: ghost names are
// commonly Japanese, and that is why the name is converted from the file's
// character set before the probe. Empty names and names that begin with a
// space or a control character change nothing.
void apply_ghost(const char* value, LyricLoadContext& context) {
    if (static_cast<unsigned char>(value[0]) <= 0x20)
        return;
    char* name = dup_string(value);
    if (name == nullptr) {
        context.failed = true;
        return;
    }
    std::free(context.ghost);
    context.ghost = name;
}

void apply_primary(const char* value, LyricLoadContext& context) {
    if (!split_primary_template(value, context))
        context.failed = true;
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

void apply_directive(const char* line, LyricLoadContext& context) {
    for (const Directive& d : directives) {
        if (stricmp_utf8_max(line, d.name, d.length) == 0) {
            d.apply(line + d.length, context);
            return;
        }
    }
}

// First pass: every "]" after the first byte may close one tag, and the
// second pass uses one slot per tag at most.
void count_slots(const char* line, LyricLoadContext& context) {
    int64_t bound = count;
    for (const char* p = std::strchr(line + 1, ']'); p != nullptr; p = std::strchr(p + 1, ']'))
        ++bound;
    if (bound > INT32_MAX) {
        context.failed = true;
        return;
    }
    count = static_cast<int32_t>(bound);
}

// (offset + value) wraps in 32 bits as the tag arithmetic always has; the
// division by the ratio can leave the 32-bit range, where it is clamped
// rather than converted with undefined behaviour.
int32_t adjusted_time(int32_t value, const LyricLoadContext& context) {
    auto sum =
        static_cast<int32_t>(static_cast<uint32_t>(context.offset) + static_cast<uint32_t>(value));
    double scaled = static_cast<double>(sum) / context.ratio;
    if (scaled >= 2147483647.0)
        return INT32_MAX;
    if (scaled <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(scaled);
}

// The composed text is sized to fit: prefix, lyric and suffix go straight
// into a heap block of their total length plus NUL, so no composition is
// ever cut or overruns a fixed buffer, whatever the template's length.
char* compose_text(const char* lyric, const LyricLoadContext& context) {
    size_t prefix_length = template_prefix != nullptr ? std::strlen(template_prefix) : 0;
    size_t lyric_length = std::strlen(lyric);
    size_t suffix_length = context.suffix != nullptr ? std::strlen(context.suffix) : 0;
    char* text = static_cast<char*>(std::malloc(prefix_length + lyric_length + suffix_length + 1));
    if (text == nullptr)
        return nullptr;
    char* end = text;
    if (prefix_length != 0)
        std::memcpy(end, template_prefix, prefix_length);
    end += prefix_length;
    std::memcpy(end, lyric, lyric_length);
    end += lyric_length;
    if (suffix_length != 0)
        std::memcpy(end, context.suffix, suffix_length);
    end[suffix_length] = '\0';
    return text;
}

// Second pass: stages the line's times in the slots from count on, then
// inserts one entry per accepted tag, all with the line's one text.
void read_time_tags(const char* line, LyricLoadContext& context) {
    int32_t staged = count;
    const char* p = line;
    while (*p == '[') {
        const char* close = find_first_char(p, ']');
        if (close == nullptr)
            break;
        int32_t value = parse_time_value(p + 1, no_time);
        if (value == no_time)
            break;
        // Only a file changed since the first pass can get here; its extra
        // tags are dropped.
        if (staged >= context.capacity)
            break;
        int32_t t = adjusted_time(value, context);
        entries[staged].time = t;
        if (t > 0) {
            ++staged;
        } else if (staged == 0) {
            entries[0].time = 0;
            staged = 1;
        }
        p = close + 1;
    }
    if (staged == count)
        return;
    if (static_cast<unsigned char>(*p) <= 0x20)
        return;
    char* text = compose_text(p, context);
    if (text == nullptr) {
        context.failed = true;
        return;
    }
    insert_timed_line(text, false);
    while (count < staged)
        insert_timed_line(text, true);
}

// Both passes read alike, so the first pass's bound holds for the second.
// A line that does not fit the buffer with its line end (4,095 bytes or more
// before its LF, a CR counted) is skipped whole, and reading goes on after
// its LF: one overlong line neither ends the file early nor overruns
// anything. A NUL inside a line ends that line's text; the LF search goes
// by length, so the bytes after the NUL are not taken for a new line.
void read_pass(platform::FileHandle file, char* buffer, LyricLoadContext& context) {
    count = 0;
    uint32_t kept = 0;
    bool first_read = true;
    bool skipping = false;
    for (;;) {
        int32_t got = platform::file_read(file, buffer + kept, read_data_limit - kept);
        if (got < 0)
            return;
        uint32_t end = kept + static_cast<uint32_t>(got);
        buffer[end] = '\0';
        uint32_t scan = 0;
        if (first_read) {
            first_read = false;
            if (end >= 3 && std::memcmp(buffer, "\xEF\xBB\xBF", 3) == 0)
                scan = 3;
        }
        while (scan < end) {
            char* start = buffer + scan;
            auto* lf = static_cast<char*>(std::memchr(start, '\n', end - scan));
            if (lf == nullptr)
                break;
            scan = static_cast<uint32_t>(lf - buffer) + 1;
            if (skipping) {
                skipping = false;
                continue;
            }
            *lf = '\0';
            if (lf != start && lf[-1] == '\r')
                lf[-1] = '\0';
            parse_lyric_line(start, context);
            if (context.failed)
                return;
        }
        if (got == 0) {
            // The last line needs no LF; a CR at its end stays.
            if (!skipping)
                parse_lyric_line(buffer + scan, context);
            return;
        }
        kept = end - scan;
        if (skipping || kept == read_data_limit) {
            skipping = true;
            kept = 0;
            continue;
        }
        std::memmove(buffer, buffer + scan, kept);
    }
}

platform::CodePage ghost_code_page() {
    if (current_trailer == trailer_shift_jis)
        return platform::CodePage::shift_jis;
    if (current_trailer == trailer_utf8)
        return platform::CodePage::utf8;
    return platform::CodePage::system;
}

// A name that does not convert, or whose converted form does not fit the key
// with its prefix and NUL, fails the check without a probe: the ghost the
// file asks for cannot be named.
bool ghost_present(char* ghost) {
    char key[ghost_key_size];
    std::memcpy(key, ghost_key_prefix, ghost_key_prefix_length);
    uint32_t length = text_length(ghost);
    // The name goes over with a CR in place of its NUL.
    ghost[length] = '\r';
    uint32_t converted = platform::convert_to_system_code_page(
        ghost_code_page(), ghost, length + 1, key + ghost_key_prefix_length,
        ghost_key_size - ghost_key_prefix_length - 1);
    ghost[length] = '\0';
    if (converted == 0)
        return false;
    key[ghost_key_prefix_length + converted] = '\0';
    return probe_ghost(key) != 0;
}

// Leaves the Timeline empty: whatever the second pass built (its texts, the
// table) and the template block go, and count, a bound after the first pass,
// is 0 again.
int32_t give_up(platform::FileHandle file, LyricLoadContext& context) {
    free_timeline();
    std::free(context.ghost);
    context.ghost = nullptr;
    platform::file_close(file);
    return 0;
}

} // namespace

bool split_primary_template(const char* template_text, LyricLoadContext& context) {
    const char* placeholder = find_substring(template_text, "%ILYX", 5);
    if (placeholder == nullptr)
        return true;
    char* block = dup_string(template_text);
    if (block == nullptr)
        return false;
    size_t at = static_cast<size_t>(placeholder - template_text);
    block[at] = '\0';
    std::free(template_prefix);
    template_prefix = block;
    context.suffix = block + at + 5;
    return true;
}

void parse_lyric_line(const char* line, LyricLoadContext& context) {
    if (entries == nullptr) {
        if (line[0] == '[')
            count_slots(line, context);
        else if (line[0] == '@')
            apply_directive(line, context);
        return;
    }
    if (line[0] == '[')
        read_time_tags(line, context);
}

char* insert_timed_line(char* text, bool shared) {
    int32_t t = entries[count].time;
    int32_t slot = count;
    while (slot > 0 && entries[slot - 1].time > t) {
        entries[slot] = entries[slot - 1];
        --slot;
    }
    entries[slot] = {t, shared, text};
    ++count;
    return text;
}

int32_t load_lyric_file(const char* path, const char* template_text, int32_t script_default) {
    // The Timeline must be empty: a loaded one is never overwritten.
    if (entries != nullptr)
        return 0;
    platform::FileHandle file = platform::file_open_read(path);
    if (file == platform::no_file)
        return 0;

    LyricLoadContext context;
    context.script = script_default;
    char buffer[read_buffer_size];
    if (!split_primary_template(template_text, context))
        return give_up(file, context);

    read_pass(file, buffer, context);
    if (context.failed || count <= 0 || context.script == 0)
        return give_up(file, context);
    if (context.ghost != nullptr && !ghost_present(context.ghost))
        return give_up(file, context);

    if (static_cast<uint64_t>(count) > SIZE_MAX / sizeof(TimedLine))
        return give_up(file, context);
    auto* table =
        static_cast<TimedLine*>(std::malloc(static_cast<size_t>(count) * sizeof(TimedLine)));
    if (table == nullptr)
        return give_up(file, context);
    context.capacity = count;
    count = 0;
    entries = table;
    if (!platform::file_rewind(file))
        return give_up(file, context);

    read_pass(file, buffer, context);
    if (context.failed || count == 0)
        return give_up(file, context);

    std::free(context.ghost);
    platform::file_close(file);
    return count;
}

} // namespace lumivox
