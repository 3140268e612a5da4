#include "timeline/charset_guess.h"

namespace lumivox {

namespace {

bool continuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

bool in_range(unsigned char b, unsigned char low, unsigned char high) {
    return b >= low && b <= high;
}

bool is_ascii_letter(unsigned char b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

// Latin letters beyond ASCII (é, ü, ß) that a double-byte charset also
// reads stand inside words of ASCII letters; Chinese, Japanese and Korean
// characters hardly ever do.
void judge_line(CharsetGuess::Candidate& candidate, LegacyCharset charset, const unsigned char* p,
                uint32_t length) {
    bool after_letter = false;
    for (uint32_t i = 0; i < length;) {
        LegacyChar c = read_legacy_char(charset, p + i, length - i);
        if (!c.valid) {
            candidate.fits = false;
            return;
        }
        if (p[i] < 0x80) {
            after_letter = is_ascii_letter(p[i]);
            i += c.length;
            continue;
        }
        i += c.length;
        bool before_letter = i < length && is_ascii_letter(p[i]);
        candidate.cost += c.cost;
        ++candidate.chars;
        if (c.rare || after_letter || before_letter)
            ++candidate.unlikely;
        after_letter = false;
    }
}

constexpr int64_t korean_start = 30;

int64_t total_cost(const CharsetGuess::Candidate& candidate, LegacyCharset charset) {
    return candidate.cost + (charset == LegacyCharset::uhc ? korean_start : 0);
}

} // namespace

bool beyond_ascii(const char* bytes, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(bytes[i]) >= 0x80)
            return true;
    }
    return false;
}

bool valid_utf8(const char* bytes, uint32_t length) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    uint32_t i = 0;
    while (i < length) {
        unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        // The second byte's range rules out overlong forms, surrogates and
        // code points past U+10FFFF; the others are plain continuations.
        uint32_t size = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (in_range(b, 0xC2, 0xDF)) {
            size = 2;
        } else if (in_range(b, 0xE0, 0xEF)) {
            size = 3;
            low = b == 0xE0 ? 0xA0 : 0x80;
            high = b == 0xED ? 0x9F : 0xBF;
        } else if (in_range(b, 0xF0, 0xF4)) {
            size = 4;
            low = b == 0xF0 ? 0x90 : 0x80;
            high = b == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (length - i < size || !in_range(p[i + 1], low, high))
            return false;
        for (uint32_t k = 2; k < size; ++k) {
            if (!continuation(p[i + k]))
                return false;
        }
        i += size;
    }
    return true;
}

void guess_line_charset(CharsetGuess& guess, const char* line, uint32_t length) {
    // Plain ASCII is UTF-8 and every charset's alike: nothing to learn.
    if (!beyond_ascii(line, length))
        return;
    if (guess.utf8 && !valid_utf8(line, length))
        guess.utf8 = false;
    if (guess.judged_bytes >= judged_bytes_limit)
        return;
    guess.judged_bytes += length;
    const auto* p = reinterpret_cast<const unsigned char*>(line);
    for (uint32_t k = 0; k < legacy_charset_count; ++k) {
        if (guess.candidates[k].fits)
            judge_line(guess.candidates[k], static_cast<LegacyCharset>(k), p, length);
    }
}

CharsetJudgement judge_charset(const CharsetGuess& guess) {
    CharsetJudgement judgement;
    if (guess.utf8)
        return judgement;
    for (uint32_t k = 0; k < legacy_charset_count; ++k) {
        const CharsetGuess::Candidate& c = guess.candidates[k];
        if (!c.fits || c.chars == 0 || 2 * static_cast<uint64_t>(c.unlikely) > c.chars)
            continue;
        auto charset = static_cast<LegacyCharset>(k);
        int64_t cost = total_cost(c, charset);
        auto better = [&](const std::optional<LegacyCharset>& other) {
            return !other ||
                   cost < total_cost(guess.candidates[static_cast<uint32_t>(*other)], *other);
        };
        if (better(judgement.chosen)) {
            judgement.runner_up = judgement.chosen;
            judgement.chosen = charset;
        } else if (better(judgement.runner_up)) {
            judgement.runner_up = charset;
        }
    }
    return judgement;
}

} // namespace lumivox
