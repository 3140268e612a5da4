// The lyric loader: reads one lyric file in two passes into the Timeline
// (timeline.h), wrapping every lyric line in the PrimaryTemplate.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumivox {

struct LoadObserver; // load_report.h

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
//
// observer (load_report.h) is told of the file's lines, its charset and its
// outcome; nullptr: nobody listens.
int32_t load_lyric_file(const char* path, const char* template_text, int32_t script_default,
                        LyricFormat format = {}, const LoadObserver* observer = nullptr);

// Loads lyrics held in memory (length bytes of UTF-8, such as a track's
// lyrics field) as an .lrc file: through the same two passes, with .lrc
// syntax and filtered as a file is. Lines may end in LF, CR LF or a lone CR.
// The lines are sent as UTF-8 whatever a charset directive says
// (current_trailer is set so); otherwise as load_lyric_file.
// name tells observer where the text came from (load_report.h). An
// untrusted text is filtered whatever the settings say.
int32_t load_lyric_text(const char* text, size_t length, const char* template_text,
                        const char* name = "lyrics", bool untrusted = false,
                        const LoadObserver* observer = nullptr);

} // namespace lumivox
