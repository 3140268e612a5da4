#include "base/text.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace lumivox {
namespace {

constexpr int32_t dflt = 77;
constexpr int32_t no_time = INT32_MIN;

struct TimeCase {
    const char* text;
    int32_t default_value;
    int32_t expected;
};

TEST(ParseTimeValue, ReadsEveryExample) {
    const TimeCase cases[] = {
        {"200 OK", dflt, 200},
        {"9801", dflt, 9801},
        {"-250", dflt, -250},
        {"", dflt, dflt},
        {"x", dflt, dflt},
        {"-", dflt, dflt},
        {" 5", dflt, dflt},
        {"+5", dflt, dflt},
        {"5s", dflt, 5},
        {"1,5", dflt, 1},
        {"00:12.34]", dflt, 12340},
        {"00:12.34x", dflt, 12340},
        {"00:12]", dflt, 12000},
        {"00:00.20]", dflt, 200},
        {"01:02.5", dflt, 62500},
        {"1:02.50", dflt, 62500},
        {"1:02.500", dflt, 62500},
        {"1:02.5000", dflt, 62500},
        {"1:02.12345", dflt, 62123},
        {"0:0.1", dflt, 100},
        {"0:0.01", dflt, 10},
        {"0:0.001", dflt, 1},
        {"0:00.999", dflt, 999},
        {"59:59.99", dflt, 3599990},
        {"90:00", dflt, 5400000},
        {"1.5", dflt, 1500},
        {"1.", dflt, 1000},
        {"0.5", dflt, 500},
        {"-0.5", dflt, -500},
        {"12:", dflt, 720000},
        {"-5:", dflt, -300000},
        {"1:x", dflt, 60000},
        {"1:-2", dflt, 60000},
        {"1:75", dflt, 135000},
        {"1:2:3", dflt, 62300},
        {"1:2.3", dflt, 62300},
        {"1:2:3:4", dflt, 62300},
        {"1:30.5", dflt, 90500},
        {"-1:30.5", dflt, -90500},
        {"-0:01.5", dflt, -1500},
        {"1.5.3", dflt, 1500},
        {"1.5:3", dflt, 1500},
        {"12.34.56", dflt, 12340},
        {"ti:Title]", no_time, no_time},
        {"4294967295", dflt, -1},
        {"2147483648", dflt, INT32_MIN},
    };
    for (const TimeCase& c : cases)
        EXPECT_EQ(parse_time_value(c.text, c.default_value), c.expected) << '"' << c.text << '"';
}

TEST(FindSubstring, MatchesFirstByteExactlyAndTheRestIgnoringCase) {
    const char* hay = "%ILYX in the middle %ilyx";
    EXPECT_EQ(find_substring(hay, "%ILYX", 5), hay);
    const char* at_end = "abc%ilyx";
    EXPECT_EQ(find_substring(at_end, "%ILYX", 5), at_end + 3);
    const char* tail = "prefix.hwnd";
    EXPECT_EQ(find_substring(tail, ".HWND", 5), tail + 6);
    EXPECT_EQ(find_substring("", "x", 1), nullptr);
    EXPECT_EQ(find_substring("Abc", "abc", 3), nullptr); // first byte is exact
    const char* twice = "..x..x";
    EXPECT_EQ(find_substring(twice, "x", 1), twice + 2);
    // A needle running past the haystack's end is not found.
    EXPECT_EQ(find_substring("ab", "abc", 3), nullptr);
}

TEST(FindChar, NeverFindsTheTerminator) {
    const char* path = "C:\\Music\\Song.mp3";
    EXPECT_EQ(find_last_char(path, '\\'), path + 8);
    EXPECT_EQ(find_first_char(path, '\\'), path + 2);
    EXPECT_EQ(find_last_char("Song", '.'), nullptr);
    EXPECT_EQ(find_first_char(path, '\0'), nullptr);
    EXPECT_EQ(find_last_char(path, '\0'), nullptr);
}

TEST(CopyStringEnd, ChainsIntoOneString) {
    char buffer[32];
    char* end = copy_string_end(buffer, "one");
    end = copy_string_end(end, "");
    end = copy_string_end(end, "two");
    end = copy_string_end(end, "three");
    EXPECT_STREQ(buffer, "onetwothree");
    EXPECT_EQ(end, buffer + 11);
    EXPECT_EQ(*end, '\0');

    end = copy_string_end_max(buffer, "abcdef", 3);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(end, buffer + 3);
}

TEST(WriteUnsigned, WritesDecimalWithoutLeadingZeros) {
    char buffer[16];
    EXPECT_EQ(write_unsigned(buffer, 7), buffer + 1);
    EXPECT_STREQ(buffer, "7");
    EXPECT_EQ(write_unsigned(buffer, 1500), buffer + 4);
    EXPECT_STREQ(buffer, "1500");
    EXPECT_EQ(write_unsigned(buffer, 4294967295u), buffer + 10);
    EXPECT_STREQ(buffer, "4294967295");
}

TEST(TextLength, MaxNeverReadsPastN) {
    EXPECT_EQ(text_length("hello"), 5u);
    EXPECT_EQ(text_length_max("hello", 3), 3u);
    EXPECT_EQ(text_length_max(nullptr, 0), 0u); // n of 0 reads nothing
    const char exact[3] = {'a', 'b', '\0'};
    EXPECT_EQ(text_length_max(exact, 3), 2u);
    EXPECT_EQ(text_length_max("hello", 0xFFFFFFFFu), 5u);
    // A buffer without NUL is measured only up to n.
    char unterminated[4] = {'w', 'x', 'y', 'z'};
    EXPECT_EQ(text_length_max(unterminated, 4), 4u);
}

TEST(DupString, CopiesWithNul) {
    char* copy = dup_string("lyric");
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "lyric");
    std::free(copy);
}

} // namespace
} // namespace lumivox
