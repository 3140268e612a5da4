// What the component makes of a track's lyric candidates, or of one lyric
// file: it runs the component's own lookup and loader with an observer.
#pragma once

#include "timeline/load_report.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumivox::lyrics {

struct CandidateRow {
    std::string name; // a path, or the field lyrics came from
    CandidateVerdict verdict;
};

struct LineRow {
    uint32_t number; // from 1
    LineVerdict verdict;
    std::string text;
};

struct SungLine {
    int32_t time_ms;
    bool pause;         // where the singing stops: no script
    std::string script; // as the request carries it
};

struct Report {
    std::vector<CandidateRow> candidates;
    std::string folder; // check: the track's folder, with its separator
    // The lines of the file read last (for check, the chosen one), as its
    // first pass read them.
    std::vector<LineRow> lines;
    bool sung = false;
    std::string chosen;  // the candidate sung, when sung
    std::string charset; // "UTF-8", "Shift_JIS" or "system" (no Charset header)
    // Why the lines of the file read last are sent in that charset; for a
    // judged file, the charset they were converted from and the next best
    // (empty when no other fits).
    CharsetReason charset_reason = CharsetReason::kind;
    std::string read_as;
    std::string runner_up;
    std::vector<SungLine> sung_lines;
    // check --download, when nothing on the machine is sung: the address
    // asked and what the server answered ("" when not asked).
    std::string download_url;
    std::string download;
};

// The track's tags that matter to the lookup, as the player would give them.
struct TrackTags {
    std::string title;
    std::string artist;
    // Values of the lyrics fields, by name (any case); the first value of a
    // name counts, as the player's first value does.
    std::vector<std::pair<std::string, std::string>> fields;
};

struct CheckOptions {
    // The folder the player names as its profile: its "lyrics" folder is
    // tried after the track's own folder and tags.
    std::string profile;
    // When nothing on the machine is sung, LRCLIB is asked as the component
    // would ask it (whatever the download box says), and what it answers is
    // read as the component would sing it.
    bool download = false;
};

// The settings must be loaded. The track path is local (made absolute
// here), or file-relative:// and a path relative to this program's folder.
Report check_track(const std::string& track, const TrackTags& tags, const CheckOptions& options);
// One lyric file, read as the lookup would read a candidate of its kind.
// False with a message when its name is not a lyric file's (.ssl, .txt,
// .lrc).
bool show_file(const std::string& path, Report& report, std::string& error);

} // namespace lumivox::lyrics
