#include "timeline/loader.h"

#include "timeline/load_report.h"

#include "base/host_api.h"
#include "component/settings.h" // upward: the user's settings
#include "platform/codepage.h"
#include "platform/file.h"
#include "sstp/request.h" // upward: the file's ghost is probed
#include "timeline/legacy_charset.h"
#include "timeline/lrc_syntax.h"
#include "timeline/lyric_source.h"
#include "timeline/text.h"
#include "timeline/timeline.h"

#include <algorithm>
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

// Room for a lyric made ready: filtered, every byte doubled; with word
// stamps, each of at least 6 bytes a wait of at most 15. At most 2.5 times
// the line, and a NUL.
constexpr uint32_t ready_line_size = 3 * read_data_limit + 1;

constexpr char placeholder[] = "%ILYX";
constexpr uint32_t placeholder_length = sizeof placeholder - 1;

// Each ghost key is built in 2,048 bytes: ".name", 0x01, the converted name
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

// The file's own template is kept as written: which of its placeholders
// counts, and how it is filtered, depends on the charset, which a later
// directive may still change. A value without a placeholder changes nothing.
void apply_primary(const char* value, LyricLoadContext& context) {
    if (find_substring(value, placeholder, placeholder_length) == nullptr)
        return;
    char* copy = dup_string(value);
    if (copy == nullptr) {
        context.failed = true;
        return;
    }
    std::free(context.own_template);
    context.own_template = copy;
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

// When p starts a time tag (a "[", a time, anything up to the next "]"),
// reads its time into value, moves p past the "]" and says true. Both passes
// read a line's tags with it, so that the first pass's bounds hold.
bool take_time_tag(const char*& p, int32_t& value) {
    if (*p != '[')
        return false;
    const char* close = find_first_char(p, ']');
    if (close == nullptr)
        return false;
    int32_t time = parse_time_value(p + 1, no_time);
    if (time == no_time)
        return false;
    value = time;
    p = close + 1;
    return true;
}

// A lyric must begin right after the last tag, with a byte above 0x20.
bool starts_lyric(const char* p) {
    return static_cast<unsigned char>(*p) > 0x20;
}

// What follows a line's time tags: in .lrc syntax the blanks after the last
// tag are not the text's, and a line left with no text marks a pause.
const char* after_tags(const char* p, const LyricLoadContext& context) {
    if (context.lrc) {
        while (*p == ' ' || *p == '\t')
            ++p;
    }
    return p;
}

bool marks_pause(const char* text, const LyricLoadContext& context) {
    return context.lrc && *text == '\0';
}

// First pass: count grows by every "]" after the first byte (each may close
// one tag), and slots by the time tags of a line that has a lyric or marks
// a pause: no more entries than that can come of it.
void count_slots(const char* line, LyricLoadContext& context) {
    int64_t bound = count;
    for (const char* p = std::strchr(line + 1, ']'); p != nullptr; p = std::strchr(p + 1, ']'))
        ++bound;
    int32_t tags = 0;
    int32_t value = 0;
    const char* p = line;
    while (take_time_tag(p, value))
        ++tags;
    const char* text = after_tags(p, context);
    if (context.detect_charset && beyond_ascii(line, static_cast<uint32_t>(text - line)))
        context.read_differs = true;
    LineVerdict verdict = tags == 0                    ? LineVerdict::tag_without_time
                          : starts_lyric(text)         ? LineVerdict::accepted
                          : marks_pause(text, context) ? LineVerdict::pause
                                                       : LineVerdict::no_lyric;
    bool gives_entries = verdict == LineVerdict::accepted || verdict == LineVerdict::pause;
    int64_t slots = context.slots + (gives_entries ? tags : 0);
    report_line(line, verdict);
    if (bound > INT32_MAX || slots > INT32_MAX) {
        context.failed = true;
        return;
    }
    count = static_cast<int32_t>(bound);
    context.slots = static_cast<int32_t>(slots);
}

// (offset + value) wraps in 32 bits as the tag arithmetic always has; the
// division by the ratio can leave the 32-bit range, where it is clamped
// rather than converted with undefined behaviour.
int32_t adjusted_time(int32_t value, const LyricLoadContext& context) {
    auto sum =
        static_cast<int32_t>(static_cast<uint32_t>(context.offset) + static_cast<uint32_t>(value) -
                             static_cast<uint32_t>(context.lrc_offset));
    double scaled = static_cast<double>(sum) / context.ratio;
    if (scaled >= 2147483647.0)
        return INT32_MAX;
    if (scaled <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(scaled);
}

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

// Second pass: stages the line's times in the slots from count on and
// appends one entry per accepted tag, in tag order, all with the line's one
// text; the first owns it.
void read_time_tags(const char* line, LyricLoadContext& context) {
    int32_t staged = count;
    const char* p = line;
    int32_t value = 0;
    // Word stamps count from the line's first time as written.
    int32_t first_value = 0;
    bool first = true;
    // A full table can only mean a file changed since the first pass; its
    // extra tags are dropped.
    while (staged < context.capacity && take_time_tag(p, value)) {
        if (first)
            first_value = value;
        first = false;
        int32_t t = adjusted_time(value, context);
        if (t > 0)
            entries[staged++].time = t;
        else if (staged == 0)
            entries[staged++].time = 0;
    }
    if (staged == count)
        return;
    const char* lyric = after_tags(p, context);
    if (marks_pause(lyric, context)) {
        for (int32_t i = count; i < staged; ++i) {
            entries[i].shared = false;
            entries[i].text = nullptr;
        }
        count = staged;
        return;
    }
    if (!starts_lyric(lyric))
        return;
    char* text = nullptr;
    if (!compose_text(lyric, first_value, context, text)) {
        context.failed = true;
        return;
    }
    if (text == nullptr)
        return;
    for (int32_t i = count; i < staged; ++i) {
        entries[i].shared = i != count;
        entries[i].text = text;
    }
    count = staged;
}

// The second pass appends in file order; sorted once by time, equal times
// keep that order (and tag order within a line), as inserting each entry
// after its equals one at a time would leave them, in O(n log n) rather than
// the quadratic cost of insertion for tags in descending order. A table
// already in order, the common case, is only checked.
void sort_entries() {
    auto earlier = [](const TimedLine& a, const TimedLine& b) { return a.time < b.time; };
    if (!std::is_sorted(entries, entries + count, earlier))
        std::stable_sort(entries, entries + count, earlier);
}

// Once sorted, a pause that could never end a line goes: one before the
// first line or right after another pause finds nothing sung, and one at
// the very time of a line would only take that line away.
void tidy_pauses() {
    int32_t kept = 0;
    for (int32_t i = 0; i < count; ++i) {
        const TimedLine& entry = entries[i];
        if (is_pause(entry)) {
            bool ends_a_line =
                kept > 0 && !is_pause(entries[kept - 1]) && entries[kept - 1].time != entry.time;
            for (int32_t j = i + 1; ends_a_line && j < count && entries[j].time == entry.time; ++j)
                ends_a_line = is_pause(entries[j]);
            if (!ends_a_line)
                continue;
        }
        entries[kept++] = entry;
    }
    count = kept;
}

// Where the line from start ends, before end: at its LF, or in .lrc syntax
// at a CR as well; nullptr when neither comes.
char* find_line_end(char* start, char* end, bool lone_cr) {
    auto* lf = static_cast<char*>(std::memchr(start, '\n', static_cast<size_t>(end - start)));
    if (!lone_cr)
        return lf;
    char* limit = lf != nullptr ? lf : end;
    auto* cr = static_cast<char*>(std::memchr(start, '\r', static_cast<size_t>(limit - start)));
    return cr != nullptr ? cr : lf;
}

bool lines_observed() {
    return load_observer != nullptr && load_observer->line != nullptr;
}

// The first pass of a file to convert reads a line as it stands where the
// conversion cannot change what it takes of it, unless an observer is told
// of every line: a comment; a lyric line whose time tags, and the blanks
// after them, are ASCII (conversion changes no ASCII byte and turns a
// character beyond ASCII into one beyond ASCII). Directives are always
// converted.
bool first_pass_reads_as_is(const char* line, const LyricLoadContext& context) {
    if (entries != nullptr || lines_observed() || line[0] == '@')
        return false;
    if (line[0] != '[')
        return true;
    const char* p = line;
    int32_t value = 0;
    while (take_time_tag(p, value)) {
    }
    return !beyond_ascii(line, static_cast<uint32_t>(after_tags(p, context) - line));
}

// One line, length bytes at line with a NUL behind them: noted for the
// charset's judgement where that is to be told, converted to UTF-8 where it
// was judged (cut at a whole character to what the reading buffer holds),
// then parsed.
void take_line(char* line, uint32_t length, bool guessing, LyricLoadContext& context) {
    if (guessing)
        guess_line_charset(context.guess, line, length);
    // The second pass reads lyric lines only.
    if (context.decoder == nullptr || (entries != nullptr && line[0] != '[') ||
        !beyond_ascii(line, length) || first_pass_reads_as_is(line, context)) {
        parse_lyric_line(line, context);
        return;
    }
    char converted[read_buffer_size];
    uint32_t n = legacy_line_to_utf8(context.decoder, context.legacy, line, length, converted,
                                     read_data_limit);
    converted[n] = '\0';
    parse_lyric_line(converted, context);
}

// Both passes read alike, so the first pass's bound holds for the second.
// A line that does not fit the buffer with its line end (4,095 bytes or more
// before its LF, a CR counted) is skipped whole, and reading goes on after
// its LF: one overlong line neither ends the file early nor overruns
// anything. A NUL inside a line ends that line's text; the LF search goes
// by length, so the bytes after the NUL are not taken for a new line.
// In .lrc syntax a lone CR ends a line too, and the LF of a CR LF, which
// may come with the next read, is passed over.
// Where the charset is to be told, the first pass notes every line it reads.
void read_pass(LyricSource& source, char* buffer, LyricLoadContext& context) {
    count = 0;
    uint32_t kept = 0;
    bool first_read = true;
    bool skipping = false;
    bool after_cr = false;
    const bool guessing = entries == nullptr && context.detect_charset;
    for (;;) {
        int32_t got = source_read(source, buffer + kept, read_data_limit - kept);
        if (got < 0)
            return;
        uint32_t end = kept + static_cast<uint32_t>(got);
        buffer[end] = '\0';
        uint32_t scan = 0;
        if (first_read) {
            first_read = false;
            if (end >= 3 && std::memcmp(buffer, "\xEF\xBB\xBF", 3) == 0) {
                scan = 3;
                context.charset_named = true;
                context.utf8_mark = true;
            }
        }
        while (scan < end) {
            char* start = buffer + scan;
            if (after_cr) {
                after_cr = false;
                if (*start == '\n') {
                    ++scan;
                    continue;
                }
            }
            char* stop = find_line_end(start, buffer + end, context.lrc);
            if (stop == nullptr)
                break;
            scan = static_cast<uint32_t>(stop - buffer) + 1;
            after_cr = *stop == '\r';
            if (skipping) {
                skipping = false;
                continue;
            }
            auto length = static_cast<uint32_t>(stop - start);
            // Without lone CRs, a CR before the LF is the line end's.
            if (*stop == '\n' && length != 0 && stop[-1] == '\r')
                --length;
            start[length] = '\0';
            take_line(start, length, guessing, context);
            if (context.failed)
                return;
        }
        if (got == 0) {
            // The last line needs no LF; a CR at its end stays, unless it
            // ended the line.
            if (!skipping)
                take_line(buffer + scan, end - scan, guessing, context);
            return;
        }
        kept = end - scan;
        if (!skipping && kept == read_data_limit && entries == nullptr)
            report_line(buffer + scan, LineVerdict::too_long);
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

// Builds the key of the ghost's name in the code page `to` into key
// (ghost_key_size bytes). False when the name has no exact form there or
// does not fit the key with its prefix, CR and NUL.
bool build_ghost_key(char* ghost, platform::CodePage to, char* key) {
    std::memcpy(key, ghost_key_prefix, ghost_key_prefix_length);
    uint32_t length = text_length(ghost);
    // The name goes over with a CR in place of its NUL.
    ghost[length] = '\r';
    uint32_t converted = platform::convert_code_page(ghost_code_page(), to, ghost, length + 1,
                                                     key + ghost_key_prefix_length,
                                                     ghost_key_size - ghost_key_prefix_length - 1);
    ghost[length] = '\0';
    if (converted == 0)
        return false;
    key[ghost_key_prefix_length + converted] = '\0';
    return true;
}

// The name goes to the probe in UTF-8 and in the system code page, for the
// mascot host's two listings. A name that converts to neither fails the
// check without a probe: the ghost the file asks for cannot be named.
bool ghost_present(char* ghost) {
    char utf8_key[ghost_key_size];
    char system_key[ghost_key_size];
    GhostKey key{nullptr, nullptr};
    if (build_ghost_key(ghost, platform::CodePage::utf8, utf8_key))
        key.utf8 = utf8_key;
    if (build_ghost_key(ghost, platform::CodePage::system, system_key))
        key.system = system_key;
    if (key.utf8 == nullptr && key.system == nullptr)
        return false;
    return probe_ghost(&key) != 0;
}

// What the directives took: the ghost's name and the file's own template.
void release_directives(LyricLoadContext& context) {
    std::free(context.ghost);
    context.ghost = nullptr;
    std::free(context.own_template);
    context.own_template = nullptr;
}

// What a load holds besides the Timeline, released however it ends.
void release(LyricSource& source, LyricLoadContext& context) {
    release_directives(context);
    platform::decoder_close(context.decoder);
    context.decoder = nullptr;
    source_close(source);
}

// Leaves the Timeline empty: whatever the second pass built (its texts, the
// table) and the template block go, and count, a bound after the first pass,
// is 0 again.
int32_t give_up(LyricSource& source, LyricLoadContext& context, const char* name,
                CandidateVerdict verdict) {
    report_candidate(name, context.failed ? CandidateVerdict::failed : verdict);
    free_timeline();
    release(source, context);
    return 0;
}

// Once the first pass is read: a UTF-16 file was read as UTF-8, and a text
// is UTF-8; both are sent so, whatever they name. A file whose charset is to
// be told, that names none and is not UTF-8, is judged; when it reads as one
// of the double-byte charsets, its lines are converted to UTF-8 from it and
// sent as UTF-8 (true: the file is to be read again so). All this comes
// before the ghost's name is converted and the template is settled, which
// depend on the charset.
bool settle_charset(const LyricSource& source, LyricLoadContext& context) {
    CharsetReport report{CharsetReason::kind, nullptr, nullptr};
    bool convert = false;
    if (source_is_utf8(source)) {
        current_trailer = trailer_utf8;
        report.reason = source.file == platform::no_file ? CharsetReason::player_text
                                                         : CharsetReason::byte_order_mark;
    } else if (context.utf8_mark) {
        report.reason = CharsetReason::byte_order_mark;
    } else if (context.charset_named) {
        report.reason = CharsetReason::declared;
    } else if (context.detect_charset) {
        CharsetJudgement judgement = judge_charset(context.guess);
        report.reason = context.guess.utf8 ? CharsetReason::valid_utf8 : CharsetReason::fits_none;
        // A system that cannot read the charset sends the bytes as they stand.
        if (judgement.chosen)
            context.decoder = platform::decoder_open(legacy_code_page(*judgement.chosen));
        if (context.decoder != nullptr) {
            context.legacy = *judgement.chosen;
            current_trailer = trailer_utf8;
            convert = true;
            report.reason = CharsetReason::judged;
            report.read_as = legacy_charset_name(*judgement.chosen);
            if (judgement.runner_up)
                report.runner_up = legacy_charset_name(*judgement.runner_up);
        }
    }
    report_charset(report);
    return convert;
}

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

// Settles, once the first pass has fixed the charset, whether lines are
// filtered and which template wraps them: the file's own when it gave one,
// otherwise the caller's. The user's own template is never filtered; a
// prefix of it that would pair with a filtered lyric's first byte gets a
// space instead.
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

} // namespace

void parse_lyric_line(const char* line, LyricLoadContext& context) {
    if (entries == nullptr) {
        if (line[0] == '[') {
            if (context.lrc && read_lrc_offset(line, context.lrc_offset))
                report_line(line, LineVerdict::directive);
            else
                count_slots(line, context);
        } else if (line[0] == '@') {
            report_line(line, LineVerdict::directive);
            if (context.detect_charset && beyond_ascii(line, text_length(line)))
                context.read_differs = true;
            apply_directive(line, context);
        } else {
            report_line(line, line[0] == '\0' ? LineVerdict::blank : LineVerdict::no_time_tag);
        }
        return;
    }
    if (line[0] == '[')
        read_time_tags(line, context);
}

namespace {

// The two passes over a file or a text alike; name says which, to an
// observer.
int32_t load_lyric_source(LyricSource& source, const char* name, const char* template_text,
                          int32_t script_default, LyricFormat format) {
    LyricLoadContext context;
    context.script = script_default;
    context.lrc = format.lrc;
    context.detect_charset = format.detect_charset;
    char buffer[read_buffer_size];

    read_pass(source, buffer, context);
    if (settle_charset(source, context) && !context.failed &&
        (context.read_differs || lines_observed())) {
        // Read again from the start, converted: directives, bounds and the
        // lines an observer is told of all come from the text as sent. (A
        // file whose every line reads the same converted needs no second
        // look: the second pass converts its lyrics.)
        LyricLoadContext converted;
        converted.script = script_default;
        converted.lrc = format.lrc;
        converted.decoder = context.decoder;
        converted.legacy = context.legacy;
        context.decoder = nullptr;
        release_directives(context);
        context = converted;
        if (!source_rewind(source))
            return give_up(source, context, name, CandidateVerdict::failed);
        read_pass(source, buffer, context);
    }
    if (context.script == 0)
        return give_up(source, context, name, CandidateVerdict::not_a_script);
    if (context.failed || count <= 0)
        return give_up(source, context, name, CandidateVerdict::no_lines);
    if (context.ghost != nullptr && !ghost_present(context.ghost))
        return give_up(source, context, name, CandidateVerdict::ghost_absent);
    if (!settle_template(template_text, format.untrusted, context))
        return give_up(source, context, name, CandidateVerdict::failed);
    // No line has a lyric after a time tag: the second pass would accept
    // nothing.
    if (context.slots == 0)
        return give_up(source, context, name, CandidateVerdict::no_lines);

    if (static_cast<uint64_t>(context.slots) > SIZE_MAX / sizeof(TimedLine))
        return give_up(source, context, name, CandidateVerdict::failed);
    auto* table = static_cast<TimedLine*>(
        std::malloc(static_cast<size_t>(context.slots) * sizeof(TimedLine)));
    if (table == nullptr)
        return give_up(source, context, name, CandidateVerdict::failed);
    context.capacity = context.slots;
    count = 0;
    entries = table;
    if (!source_rewind(source))
        return give_up(source, context, name, CandidateVerdict::failed);

    read_pass(source, buffer, context);
    if (!context.failed) {
        sort_entries();
        tidy_pauses();
    }
    if (context.failed || count == 0)
        return give_up(source, context, name, CandidateVerdict::no_lines);

    release(source, context);
    report_candidate(name, CandidateVerdict::chosen);
    return count;
}

} // namespace

int32_t load_lyric_file(const char* path, const char* template_text, int32_t script_default,
                        LyricFormat format) {
    // The Timeline must be empty: a loaded one is never overwritten.
    if (entries != nullptr)
        return 0;
    platform::FileHandle file = platform::file_open_read(path);
    if (file == platform::no_file) {
        report_candidate(path, CandidateVerdict::not_found);
        return 0;
    }
    LyricSource source;
    source.file = file;
    return load_lyric_source(source, path, template_text, script_default, format);
}

int32_t load_lyric_text(const char* text, size_t length, const char* template_text,
                        const char* name, bool untrusted) {
    if (entries != nullptr || text == nullptr)
        return 0;
    current_trailer = trailer_utf8;
    LyricSource source;
    source.text = text;
    source.length = length;
    return load_lyric_source(source, name, template_text, 1, LyricFormat{true, false, untrusted});
}

} // namespace lumivox
