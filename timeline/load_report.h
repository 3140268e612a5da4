// Why a lyric candidate is or is not sung, and why a line of it is left out,
// told to an observer for tools that explain it to users. The observer is
// passed to the load that is to tell it (load_lyric_file, find_lyrics_for_track
// and the like, nullptr by default); the component itself passes none, and
// every report is then a null-pointer test.
#pragma once

#include <cstdint>

namespace lumivox {

enum class CandidateVerdict {
    not_found,       // no such file
    lrc_not_allowed, // an .lrc candidate while "Allow .lrc file" is off
    not_a_script,    // no "@SakuraScript=1" (an .lrc: "@SakuraScript=0")
    ghost_absent,    // names a ghost that is not running
    no_lines,        // no time-tagged line with a lyric
    failed,          // unreadable, or out of memory
    leaves_folder,   // a name made from tags that would not stay in its lyric folder
    chosen,
};

// One per line the loader's first pass reads, in file order.
enum class LineVerdict {
    accepted,         // time tags and a lyric
    directive,        // a line starting with "@"
    blank,            // an empty line
    no_time_tag,      // starts with neither "[" nor "@": a comment
    tag_without_time, // "[" without a time, such as "[ti:Title]"
    no_lyric,         // time tags, but no lyric right after the last "]"
    pause,            // .lrc: time tags and nothing else, where the singing stops
    too_long,         // longer than a line may be: skipped whole
};

// Why a candidate's lines are read and sent in the charset they are.
enum class CharsetReason {
    kind,            // as its kind is read: the page's charset for a .txt file, UTF-8 otherwise
    player_text,     // lyrics the player holds, in UTF-8
    declared,        // "@SakuraScriptCharset="
    byte_order_mark, // UTF-8 or UTF-16
    valid_utf8,      // names none and is UTF-8: sent as it stands
    judged,          // names none, is not UTF-8: read in the charset it reads best in
    fits_none,       // names none, is neither UTF-8 nor any charset judged: sent as it stands
};

struct CharsetReport {
    CharsetReason reason;
    // judged: the charset the lines were converted from, and the next best
    // (nullptr when no other fits).
    const char* read_as;
    const char* runner_up;
};

struct LoadObserver {
    // name: a candidate's path, or the name of the field lyrics came from.
    void (*candidate)(const char* name, CandidateVerdict verdict);
    // text: the line without its end (its first bytes only when too long).
    void (*line)(const char* text, LineVerdict verdict);
    // Once per candidate that was read, after its first reading. A judged
    // file's lines are then reported again, converted to UTF-8: those
    // reported before stand for nothing.
    void (*charset)(const CharsetReport& report);
};

// Each tells observer, which may be nullptr (nobody listens) or leave out
// the kind of report.
void report_candidate(const LoadObserver* observer, const char* name, CandidateVerdict verdict);
void report_line(const LoadObserver* observer, const char* text, LineVerdict verdict);
void report_charset(const LoadObserver* observer, const CharsetReport& report);

} // namespace lumivox
