// The substitute shared library's comparisons, called through its exports:
// the component's directive names, tag fields, charsets and placeholder
// search meet these answers, so they must be the player's, not a byte
// comparison's.
#include "tools/host/shared/shared.h"

#include <cstddef>
#include <gtest/gtest.h>

namespace {

constexpr size_t whole = ~static_cast<size_t>(0);

struct WholeCase {
    const char* a;
    const char* b;
    int expected;
    const char* why;
};

TEST(Compare, FoldsAndOrdersCharacters) {
    const WholeCase cases[] = {
        {"Charset", "cHARSET", 0, "ASCII"},
        {"abc", "abd", -1, "ASCII order"},
        {"ab", "abc", -1, "the end orders before a character"},
        {"abc", "ab", 1, "a character orders after the end"},
        {"\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89", 0, "Latin-1"},
        {"\xC3\x97", "\xC3\xB7", -1, "the multiplication sign is no capital"},
        {"\xC4\x80\xC5\x81\xC5\xB8", "\xC4\x81\xC5\x82\xC3\xBF", 0, "Latin Extended-A"},
        {"\xCE\x86\xCE\xA3", "\xCE\xAC\xCF\x83", 0, "Greek"},
        {"\xD0\x81\xD0\x96", "\xD1\x91\xD0\xB6", 0, "Cyrillic"},
        {"\xEF\xBC\xA1\xEF\xBC\xBA", "\xEF\xBD\x81\xEF\xBD\x9A", 0, "fullwidth Latin"},
        {"\xF0\x9F\x8E\xB5", "\xF0\x9F\x8E\xB5", 0, "four bytes"},
        {"Zo\xC3\xAB", "Zo\xC3\xA9", 1, "names that differ past ASCII"},
        {"Zo\xEB", "Zoe", -1, "a Latin-1 byte in the text"},
        {"a\xFF", "ab", -1, "an invalid byte orders before a character"},
        {"ab", "a\x80", 1, "a lone continuation byte"},
        {"a\xFFx", "a\xFEy", 0, "two invalid bytes end the comparison"},
        {"a\xFF", "a", 0, "an invalid byte and the end"},
        {"\xC0\xAF", "/", -1, "an overlong form is invalid"},
        {"\xED\xA0\x80", "\xEE\x80\x80", -1, "a surrogate is invalid"},
        {"\xF4\x90\x80\x80", "\xF4\x8F\xBF\xBF", -1, "nothing above U+10FFFF"},
        {"\xC3", "\xC3\xA9", -1, "a sequence cut by the NUL"},
    };
    for (const WholeCase& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(stricmp_utf8(c.a, c.b), c.expected);
    }
}

using BoundedCompare = int(LUMIVOX_PLAYER_SHARED*)(const char*, const char*, size_t);

struct BoundedCase {
    BoundedCompare compare;
    const char* p1;
    const char* p2;
    size_t n;
    int expected;
    const char* why;
};

// "Zo" and the lead byte of a two-byte character, with no NUL behind it:
// nothing past the limit may be read.
const char cut_short[] = {'Z', 'o', '\xC3'};

TEST(Compare, KeepsToLimitsAndStopsAtInvalidNeedles) {
    const BoundedCase cases[] = {
        {stricmp_utf8_max, "@sakurascriptoffset=-1000", "@SakuraScriptOffset=", 20, 0,
         "max: a directive name"},
        {stricmp_utf8_max, "@SakuraScriptOffset=5", "@SakuraScriptOffset=", 13, -1,
         "max: p2 is read past p1's limit"},
        {stricmp_utf8_max, "Zo\xC3\xAB", "Zo\xC3\xAB", 3, -1, "max: the limit cuts a character"},
        {stricmp_utf8_max, cut_short, "Zo", 3, 0, "max: a cut character against the end"},
        {stricmp_utf8_max, "Zo\xC3\xAB!", "zO\xC3\x8B", 4, 0, "max: a whole character"},
        {stricmp_utf8_max, "ab", "AB", 10, 0, "max: the NUL before the limit"},
        {stricmp_utf8_max, "abc", "", 0, 0, "max: no byte at all"},
        {stricmp_utf8_max, "ABCD", "abc", whole, 1, "max: all ones is the whole text"},
        {stricmp_utf8_partial, "Zoe\r\n[00:01.00]", "Zo\xEB\r", whole, 0,
         "partial: a Latin-1 needle matches up to its invalid byte"},
        {stricmp_utf8_partial, "Zo\xC3\xAB\r", "Zo\xEB\r", whole, 0,
         "partial: the same against UTF-8"},
        {stricmp_utf8_partial, "Zoe\r", "Zo\xC3\xAB\r", whole, -1, "partial: e is not e-diaeresis"},
        {stricmp_utf8_partial, "Zo\xEB\r", "Zo\xC3\xAB\r", whole, -1,
         "partial: an invalid byte in the text"},
        {stricmp_utf8_partial, "%ilyx\\e", "%ILYX", 5, 0, "partial: the placeholder"},
        {stricmp_utf8_partial, "%IL\x83\x5C", "%ILYX", 5, -1, "partial: Shift_JIS in a template"},
        {stricmp_utf8_partial, "%IL", "%ILYX", 5, -1, "partial: the text ends first"},
        {stricmp_utf8_partial, "%ILQQ", "%ILYX", 3, 0, "partial: num limits the needle"},
        {stricmp_utf8_partial, "\xC3\x89tx", "\xC3\xA9TE", 2, 0,
         "partial: num counts characters, not bytes"},
        {stricmp_utf8_partial, "\xC3\x89tx", "\xC3\xA9TE", 3, 1, "partial: the third character"},
        {stricmp_utf8_partial, "abc", "xyz", 0, 0, "partial: no character at all"},
    };
    for (const BoundedCase& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.compare(c.p1, c.p2, c.n), c.expected);
    }
}

} // namespace
