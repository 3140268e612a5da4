#include "timeline/tag_passes.h"

#include "base/text.h"
#include "timeline/directives.h"
#include "timeline/line_compose.h"
#include "timeline/load_report.h"
#include "timeline/lrc_syntax.h"
#include "timeline/timeline.h"

#include <algorithm>
#include <cstring>

namespace lumivox {

namespace {

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
    report_line(context.observer, line, verdict);
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
    while (staged < context.slots && take_time_tag(p, value)) {
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

} // namespace

void parse_lyric_line(const char* line, LyricLoadContext& context) {
    if (entries == nullptr) {
        if (line[0] == '[') {
            if (context.lrc && read_lrc_offset(line, context.lrc_offset))
                report_line(context.observer, line, LineVerdict::directive);
            else
                count_slots(line, context);
        } else if (line[0] == '@') {
            report_line(context.observer, line, LineVerdict::directive);
            if (context.detect_charset && beyond_ascii(line, text_length(line)))
                context.read_differs = true;
            apply_directive(line, context);
        } else {
            report_line(context.observer, line,
                        line[0] == '\0' ? LineVerdict::blank : LineVerdict::no_time_tag);
        }
        return;
    }
    if (line[0] == '[')
        read_time_tags(line, context);
}

const char* past_time_tags(const char* line, const LyricLoadContext& context) {
    const char* p = line;
    int32_t value = 0;
    while (take_time_tag(p, value)) {
    }
    return after_tags(p, context);
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

} // namespace lumivox
