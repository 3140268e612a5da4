#include "base/text.h"
#include "sstp/request.h"
#include "sync/resume.h"
#include "tests/support/recording_transport.h"
#include "timeline/timeline.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace lumivox {
namespace {

using test::deliveries;
using test::script_of;

class ResumeLine : public testing::Test {
  protected:
    void SetUp() override {
        test::use_recording_transport();
        current_trailer = trailer_plain;
        template_prefix = dup_string(R"(\0\s[25])");
    }
    void TearDown() override {
        std::free(template_prefix);
        template_prefix = nullptr;
    }

    // The script sent by one resume, or "nothing".
    static std::string resumed(const std::string& text, int32_t elapsed) {
        test::use_recording_transport();
        resume_line(elapsed, text.c_str());
        auto sent = deliveries();
        if (sent.empty())
            return "nothing";
        EXPECT_EQ(sent.size(), 1u);
        return script_of(sent[0].bytes);
    }
};

TEST_F(ResumeLine, RebuildsTheRestOfTheLine) {
    const struct {
        const char* text;
        int32_t elapsed;
        const char* expected;
    } cases[] = {
        {R"(\0\s[25]Hello\_w[500]world\_w[700]again\e)", 800, R"(\0\s[25]\0\_w[400]again\e)"},
        {R"(\0\s[25]Hello\_w[500]world\_w[700]again\e)", 500, R"(\0\s[25]\0world\_w[700]again\e)"},
        {R"(\0\s[25]Hello\_w[500]world\_w[700]again\e)", 1300, "nothing"},
        {R"(\0\s[25]\1\s[10]Hi\_w[1000]there\e)", 250, R"(\0\s[25]\1\_w[750]there\e)"},
        {R"(\0\s[25]\h\s[0]A\u\s[10]B\_w[300]C\e)", 100, R"(\0\s[25]\1\_w[200]C\e)"},
        {R"(\0\s[25]\p[2]Yo\_w[400]ho\e)", 400, R"(\0\s[25]\p[2]ho\e)"},
        {R"(\0\s[25]\_s[0,1]La\_w[300]la\_s\e)", 100, R"(\0\s[25]\_s[0,1]\_w[200]la\_s\e)"},
        {R"(\0\s[25]\_sLa\_w[300]la\_s\e)", 100, R"(\0\s[25]\_s[0,1]\_w[200]la\_s\e)"},
        {R"(\0\s[25]\_s[0,1]La\_w[300]la\_s\_w[500]end\e)", 600, R"(\0\s[25]\0\_w[200]end\e)"},
        {R"(\0\s[25]a\\_w[100]b\_w[100]c\e)", 50, R"(\0\s[25]\0\_w[50]c\e)"},
        {R"(\0\s[25]Bye\_w[500])", 100, "nothing"},
        // The scope in force, as the resumed line re-establishes it.
        {R"(\p[0,1]a\_w[100]b)", 50, R"(\0\s[25]\0\_w[50]b)"},
        {R"(\p[1]a\_w[100]b)", 50, R"(\0\s[25]\1\_w[50]b)"},
        {R"(\p[3]a\_w[100]b)", 50, R"(\0\s[25]\p[3]\_w[50]b)"},
        {R"(\pa\_w[100]b)", 50, R"(\0\s[25]\0\_w[50]b)"},
        {R"(\p[]a\_w[100]b)", 50, R"(\0\s[25]\p[]\_w[50]b)"},
        {R"(\_s[2,5]a\_w[100]b)", 50, R"(\0\s[25]\_s[2,5]\_w[50]b)"},
        // "\_w" without "[" is no wait; a "\_w[" without a number waits 0.
        {R"(a\_w100b\_w[100]c)", 50, R"(\0\s[25]\0\_w[50]c)"},
        {R"(a\_w[x]b\_w[100]c)", 50, R"(\0\s[25]\0\_w[50]c)"},
        {R"(a\_w[1:00]b)", 59000, R"(\0\s[25]\0\_w[1000]b)"},
        // Nothing is sent for texts that end before a wait can be resumed.
        {"no commands", 10, "nothing"},
        {R"(ends with \)", 10, "nothing"},
        {R"(ends with \_)", 10, "nothing"},
        {R"(a\_w[100b)", 10, "nothing"},
        {R"(a\_w[100]b)", 100, R"(\0\s[25]\0b)"},
        {R"(a\_w[100]b)", 101, "nothing"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(resumed(c.text, c.elapsed), c.expected) << c.text << " at " << c.elapsed;
}

// The line is read as the ghost reads it: an escaped backslash is text, and
// in Shift_JIS a trail byte of 0x5C (0x95 0x5C is one character) is no
// backslash, nor a trail byte of 0x5D a "]".
TEST_F(ResumeLine, ReadsTheLineInItsCharset) {
    const struct {
        const CharsetTrailer* trailer;
        std::string text;
        int32_t elapsed;
        const char* expected;
    } cases[] = {
        {trailer_utf8, R"(\0\s[25]a\\_w[500]b\e)", 100, "nothing"},
        {trailer_utf8, R"(\0\s[25]a\\\_w[500]b\e)", 100, R"(\0\s[25]\0\_w[400]b\e)"},
        {trailer_shift_jis, "\x95\x5C_w[500]b\\_w[100]c", 50, R"(\0\s[25]\0\_w[50]c)"},
        {trailer_shift_jis, "\x95\x5C\\_w[100]b", 50, R"(\0\s[25]\0\_w[50]b)"},
        {trailer_shift_jis, "\x95\x5C\\1a\\_w[100]b", 50, R"(\0\s[25]\1\_w[50]b)"},
        {trailer_shift_jis, "\\_w[100\x95]x]b", 50, R"(\0\s[25]\0\_w[50]b)"},
        // The same bytes read as UTF-8.
        {trailer_utf8, "\x95\x5C_w[500]b\\_w[100]c", 50, "\\0\\s[25]\\0\\_w[450]b\\_w[100]c"},
        {trailer_utf8, "\x95\x5C\\_w[100]b", 50, "nothing"},
    };
    for (const auto& c : cases) {
        current_trailer = c.trailer;
        EXPECT_EQ(resumed(c.text, c.elapsed), c.expected) << c.text << " at " << c.elapsed;
    }
}

TEST_F(ResumeLine, WithoutPrefixStartsWithTheScopeCommand) {
    std::free(template_prefix);
    template_prefix = nullptr;
    EXPECT_EQ(resumed(R"(\u\s[10]a\_w[300]b\e)", 100), R"(\1\_w[200]b\e)");
}

TEST_F(ResumeLine, SendsWithTheLinesTrailer) {
    current_trailer = trailer_shift_jis;
    resume_line(50, R"(a\_w[100]b)");
    auto sent = deliveries();
    ASSERT_EQ(sent.size(), 1u);
    std::string ending(trailer_shift_jis->text, trailer_shift_jis->length);
    EXPECT_EQ(sent[0].bytes.substr(sent[0].bytes.size() - ending.size()), ending);
}

// A long prefix and a long rest together exceed the request: the script is
// cut to what the request can carry, never written past a buffer.
TEST_F(ResumeLine, OverlongScriptIsCut) {
    std::free(template_prefix);
    std::string prefix(3000, 'P');
    template_prefix = dup_string(prefix.c_str());
    std::string rest(3500, 'r');
    std::string text = prefix + R"(a\_w[100])" + rest + R"(\e)";
    std::string whole = prefix + R"(\0\_w[60])" + rest + R"(\e)";
    for (int32_t elapsed : {40, 100}) {
        std::string expected = elapsed == 40 ? whole : prefix + R"(\0)" + rest + R"(\e)";
        std::string script = resumed(text, elapsed);
        ASSERT_EQ(script.size(), max_script_length(trailer_plain)) << elapsed;
        EXPECT_EQ(script, expected.substr(0, script.size())) << elapsed;
    }
    // Even a prefix alone longer than any buffer.
    std::free(template_prefix);
    template_prefix = dup_string(std::string(9000, 'P').c_str());
    EXPECT_EQ(resumed(R"(a\_w[100]b)", 50), std::string(max_script_length(trailer_plain), 'P'));
}

TEST(ScopeList, Parses) {
    const struct {
        const char* text;
        ScopeMask mask;
    } cases[] = {
        {"[0,1]", 3}, {"[2]", 4},      {"[1,8,2]", 2}, {"[10]", 3},   {"x[0]", 3}, {"", 3},
        {"[]", 0},    {"[7,0]", 0x81}, {"[9]", 0},     {"[0,,3]", 9}, {"[3", 8},   {"[2]x", 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse_scope_list(c.text), c.mask) << c.text;
}

TEST(ScopeList, Writes) {
    const struct {
        ScopeMask mask;
        const char* text;
    } cases[] = {
        {3, "[0,1]"}, {4, "[2]"}, {0x81, "[0,7]"}, {0, "[]"}, {0xFF, "[0,1,2,3,4,5,6,7]"},
    };
    for (const auto& c : cases) {
        char out[32];
        std::fill(std::begin(out), std::end(out), '#');
        char* end = write_scope_list(out, c.mask);
        EXPECT_EQ(std::string(out, end), c.text);
        EXPECT_EQ(*end, '#') << "no NUL is written";
    }
}

} // namespace
} // namespace lumivox
