// Telling the charset of a lyric file that names none from its bytes. A file
// that is UTF-8 stays so; otherwise each double-byte charset that the whole
// file fits is judged by how plausible its text reads in that charset: how
// common its characters are in the charset's language, by the kinds the
// encoding itself lays out (legacy_charset.h). The same bytes give the same
// answer on every system.
#pragma once

#include "timeline/legacy_charset.h"

#include <cstdint>
#include <optional>

namespace lumivox {

// Lines beyond ASCII are judged up to this many bytes in all; the answer is
// long settled by then.
constexpr uint32_t judged_bytes_limit = 16 * 1024;

// What the bytes seen so far can be.
struct CharsetGuess {
    bool utf8 = true;
    struct Candidate {
        bool fits = true;      // every byte so far belongs to a character
        int64_t cost = 0;      // the sum of the characters' costs
        uint32_t chars = 0;    // characters beyond ASCII
        uint32_t unlikely = 0; // of them: rare kinds, or inside a word of ASCII letters
    };
    Candidate candidates[legacy_charset_count];
    uint32_t judged_bytes = 0;
};

// Some byte is 0x80 or above.
bool beyond_ascii(const char* bytes, uint32_t length);

// Well-formed UTF-8: no overlong form, no surrogate, nothing past U+10FFFF,
// no sequence cut short. Plain ASCII is UTF-8.
bool valid_utf8(const char* bytes, uint32_t length);

// Notes one line's bytes (without its line end; no character spans two
// lines, as neither CR nor LF is ever a trail byte).
void guess_line_charset(CharsetGuess& guess, const char* line, uint32_t length);

// The charset the text reads best in, and the next best, among those that
// fit the whole text judged and read as a language at all (at most half of
// its characters unlikely); none when the text is UTF-8 or fits none. Every
// candidate's cost is the sum of its characters' costs, and Korean's
// carries a start of 30: modern hangul and GB2312's common hanzi share one
// block of codes, so a few characters there are taken for Chinese, whose
// files are the more common. Ties go to the earlier charset of the list.
struct CharsetJudgement {
    std::optional<LegacyCharset> chosen;
    std::optional<LegacyCharset> runner_up;
};
CharsetJudgement judge_charset(const CharsetGuess& guess);

} // namespace lumivox
