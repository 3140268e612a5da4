#include "timeline/loader.h"

#include "platform/codepage.h"
#include "platform/file.h"
#include "sstp/request.h" // upward: the file's ghost is probed
#include "timeline/directives.h"
#include "timeline/legacy_charset.h"
#include "timeline/load_context.h"
#include "timeline/load_report.h"
#include "timeline/lyric_source.h"
#include "timeline/tag_passes.h"
#include "timeline/templates.h"
#include "timeline/timeline.h"

#include <cstdlib>
#include <cstring>

namespace lumivox {

namespace {

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

bool lines_observed(const LyricLoadContext& context) {
    return context.observer != nullptr && context.observer->line != nullptr;
}

// The first pass of a file to convert reads a line as it stands where the
// conversion cannot change what it takes of it, unless an observer is told
// of every line: a comment; a lyric line whose time tags, and the blanks
// after them, are ASCII (conversion changes no ASCII byte and turns a
// character beyond ASCII into one beyond ASCII). Directives are always
// converted.
bool first_pass_reads_as_is(const char* line, const LyricLoadContext& context) {
    if (entries != nullptr || lines_observed(context) || line[0] == '@')
        return false;
    if (line[0] != '[')
        return true;
    return !beyond_ascii(line, static_cast<uint32_t>(past_time_tags(line, context) - line));
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
            report_line(context.observer, buffer + scan, LineVerdict::too_long);
        if (skipping || kept == read_data_limit) {
            skipping = true;
            kept = 0;
            continue;
        }
        std::memmove(buffer, buffer + scan, kept);
    }
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
    report_candidate(context.observer, name, context.failed ? CandidateVerdict::failed : verdict);
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
    report_charset(context.observer, report);
    return convert;
}

// The two passes over a file or a text alike; name says which, to observer.
int32_t load_lyric_source(LyricSource& source, const char* name, const char* template_text,
                          int32_t script_default, LyricFormat format,
                          const LoadObserver* observer) {
    LyricLoadContext context;
    context.observer = observer;
    context.script = script_default;
    context.lrc = format.lrc;
    context.detect_charset = format.detect_charset;
    char buffer[read_buffer_size];

    read_pass(source, buffer, context);
    if (settle_charset(source, context) && !context.failed &&
        (context.read_differs || lines_observed(context))) {
        // Read again from the start, converted: directives, bounds and the
        // lines an observer is told of all come from the text as sent. (A
        // file whose every line reads the same converted needs no second
        // look: the second pass converts its lyrics.)
        LyricLoadContext converted;
        converted.observer = observer;
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
    if (context.ghost != nullptr && !probe_named_ghost(context.ghost))
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
    report_candidate(context.observer, name, CandidateVerdict::chosen);
    return count;
}

} // namespace

int32_t load_lyric_file(const char* path, const char* template_text, int32_t script_default,
                        LyricFormat format, const LoadObserver* observer) {
    // The Timeline must be empty: a loaded one is never overwritten.
    if (entries != nullptr)
        return 0;
    platform::FileHandle file = platform::file_open_read(path);
    if (file == platform::no_file) {
        report_candidate(observer, path, CandidateVerdict::not_found);
        return 0;
    }
    LyricSource source;
    source.file = file;
    return load_lyric_source(source, path, template_text, script_default, format, observer);
}

int32_t load_lyric_text(const char* text, size_t length, const char* template_text,
                        const char* name, bool untrusted, const LoadObserver* observer) {
    if (entries != nullptr || text == nullptr)
        return 0;
    current_trailer = trailer_utf8;
    LyricSource source;
    source.text = text;
    source.length = length;
    return load_lyric_source(source, name, template_text, 1, LyricFormat{true, false, untrusted},
                             observer);
}

} // namespace lumivox
