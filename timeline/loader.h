// The lyric loader: reads one lyric file in two passes into the Timeline
// (timeline.h), wrapping every lyric line in the PrimaryTemplate.
#pragma once

#include "platform/codepage.h"
#include "timeline/charset_guess.h"
#include "timeline/script_filter.h"

#include <cstddef>
#include <cstdint>

namespace lumivox {

// How a lyric file is read beyond what its directives say.
struct LyricFormat {
    // ".lrc" syntax: an "[offset:N]" line, word stamps ("<mm:ss.xx>"),
    // blanks between the time tags and the text, blank timed lines as
    // pauses, and lines that end in a lone CR.
    bool lrc = false;
    // A file that names no charset and is not UTF-8 is judged, and read in
    // the double-byte charset it reads best in, converted to UTF-8.
    bool detect_charset = false;
    // Filtered whatever the settings say: lyrics from the internet.
    bool untrusted = false;
};

// The state of one load, on the loader's stack.
struct LyricLoadContext {
    int32_t script = 0;           // non-zero: the file is a lyric script
    int32_t offset = 0;           // ms added to every time tag
    const char* suffix = nullptr; // into the template_prefix block: what follows each lyric
    char* ghost = nullptr;        // heap name of the ghost the file asks for
    double ratio = 1.0;           // every adjusted time is divided by it

    // The first pass's count of the entries the second pass can give: the
    // time tags of lines with a lyric. It sizes the table, which count (the
    // number of "]" in "[" lines) would oversize many times over.
    int32_t slots = 0;
    // Slots of entries during the second pass: no line may stage beyond
    // them, even if the file changed since the first pass counted.
    int32_t capacity = 0;
    // Set when the load cannot go on: an allocation failed, or the first
    // pass's bound outgrew a 32-bit count.
    bool failed = false;

    // The file's own template as written (heap), when a directive gave one
    // with "%ILYX"; the template is settled from it or the caller's once the
    // first pass has fixed the charset.
    char* own_template = nullptr;
    // Lines and the file's own template go through the script filter (the
    // user has not chosen to trust lyric scripts), read in the charset of
    // lead; both are set when the template is settled.
    bool filtered = false;
    LeadBytes lead = nullptr;

    // .lrc syntax: the last "[offset:N]" line's N, taken from every time
    // wherever the line stands (a positive offset makes lines come earlier).
    bool lrc = false;
    int32_t lrc_offset = 0;
    // The charset is told from the first pass's bytes unless a charset
    // directive names it or a UTF-8 byte-order mark says the file is UTF-8
    // (which leaves the trailer as it was, as before).
    bool detect_charset = false;
    bool charset_named = false;
    bool utf8_mark = false;
    CharsetGuess guess;
    // Set by the first pass when a line it read as it stands would read
    // otherwise converted (a directive or time tags beyond ASCII): a judged
    // file is then read again, converted.
    bool read_differs = false;
    // A judged file: every line is converted from this charset to UTF-8
    // before it is parsed, in the passes that follow the judgement.
    platform::Decoder* decoder = nullptr;
    LegacyCharset legacy = LegacyCharset::shift_jis;
};

// Loads the lyric file at path (UTF-8) into the Timeline, starting from the
// template text (never null) and the script flag script_default. Returns the
// number of entries, or 0 with the Timeline empty and template_prefix none.
// Expects an empty Timeline and current_trailer set for this candidate; a
// charset directive changes current_trailer even when the load fails.
//
// Unless the settings trust lyric scripts (read at each load), every line's
// lyric and the file's own template pass through filter_lyric_script; the
// caller's template is the user's own and is never filtered.
//
// format: ".lrc" syntax, and whether an undeclared charset is told from the
// bytes. A file that starts with a UTF-16 byte-order mark is read as UTF-8
// and its lines are sent as UTF-8, whatever it names; so is a judged one
// (charset_guess.h), converted.
int32_t load_lyric_file(const char* path, const char* template_text, int32_t script_default,
                        LyricFormat format = {});

// Loads lyrics held in memory (length bytes of UTF-8, such as a track's
// lyrics field) as an .lrc file: through the same two passes, with .lrc
// syntax and filtered as a file is. Lines may end in LF, CR LF or a lone CR.
// The lines are sent as UTF-8 whatever a charset directive says
// (current_trailer is set so); otherwise as load_lyric_file.
// name tells an observer where the text came from (load_report.h). An
// untrusted text is filtered whatever the settings say.
int32_t load_lyric_text(const char* text, size_t length, const char* template_text,
                        const char* name = "lyrics", bool untrusted = false);

// Handles one line (NUL-terminated, line end removed): directives and the
// entry bounds while entries is nullptr; once it exists, appends one entry
// per accepted time tag in file order (load_lyric_file sorts them after the
// pass).
void parse_lyric_line(const char* line, LyricLoadContext& context);

} // namespace lumivox
