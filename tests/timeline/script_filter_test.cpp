#include "timeline/script_filter.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox {
namespace {

// A double-byte system code page unlike Shift_JIS (leads 0x81-0xFE).
bool wide_lead_byte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

constexpr char guard = '\x7f';
constexpr size_t guard_size = 16;

// Filters line into a buffer of exactly the promised size with guard bytes
// behind it, and checks the contract: a NUL at the returned length, at most
// twice the input, nothing written past 2 * length + 1.
std::string filtered(const std::string& line, LeadBytes lead) {
    auto length = static_cast<uint32_t>(line.size());
    std::vector<char> out(2 * line.size() + 1 + guard_size, guard);
    uint32_t n = filter_lyric_script(line.data(), length, lead, out.data());
    EXPECT_LE(n, 2 * length) << line;
    if (n > 2 * length)
        return {};
    EXPECT_EQ(out[n], '\0') << line;
    for (size_t i = 2 * line.size() + 1; i < out.size(); ++i)
        EXPECT_EQ(out[i], guard) << "written past the buffer for " << line;
    return std::string(out.data(), n);
}

struct Case {
    std::string line;
    std::string expected;
};

// Checks each case and that filtering its result again changes nothing.
void expect_filtered(const std::vector<Case>& cases, LeadBytes lead) {
    for (const Case& c : cases) {
        std::string once = filtered(c.line, lead);
        EXPECT_EQ(once, c.expected) << "line: " << c.line;
        EXPECT_EQ(filtered(once, lead), once) << "filtered twice: " << c.line;
    }
}

TEST(ScriptFilter, KeepsDisplayAndTimingTags) {
    const char* kept[] = {
        "Plain words, 100% sung [with brackets] and a trailing ] and [",
        R"(\\ and \% and \\\\)",
        R"(\0\1\h\u\4\5\C\e)",
        R"(\p0\p9\p[2]\p[12])",
        R"(\s0\s[25]\s[-1]\b2\b[10]\b[-1])",
        R"(\i[3]\i[12,wait])",
        R"(\n\n[half]\n[150]x)",
        R"(\c\c[char,3]\c[line,12])",
        R"(\w1\w9\w55\_w[500]\__w[1200])",
        R"(\_q fast \_q\_s together \_s\_s[0,1,2]\_s[3])",
        R"(\f[color,255,0,0]\f[name,MS Gothic,"x"]\f[default])",
        R"(\_l[10,20]\_l[@-5,@0]\_l[-1,-2])",
        R"(\_u[0x3042]\_u[263A]\_m[0X41]\_m[ff])",
        R"(\&[amp]\&[quot]\&[#65]\&[nbsp2])",
        R"(Twinkle,\_w[300] twinkle,\_w[600] little star)",
    };
    std::vector<Case> cases;
    for (const char* line : kept)
        cases.push_back({line, line});
    expect_filtered(cases, nullptr);
    expect_filtered(cases, shift_jis_lead_byte);
}

TEST(ScriptFilter, TurnsEveryOtherTagIntoText) {
    expect_filtered(
        {
            // Programs, files and pages opened.
            {R"(\![open,file,C:\Users\x\run.bat])", R"(\\![open,file,C:\\Users\\x\\run.bat])"},
            {R"(\![open,browser,http://x.example/])", R"(\\![open,browser,http://x.example/])"},
            {R"(\j[http://x.example/])", R"(\\j[http://x.example/])"},
            {R"(\j[file:///C:/x.bat])", R"(\\j[file:///C:/x.bat])"},
            {R"(\![open,inputbox,id,0])", R"(\\![open,inputbox,id,0])"},
            // Network requests, installs, updates.
            {R"(\![execute,http-get,http://x.example/,--async=1])",
             R"(\\![execute,http-get,http://x.example/,--async=1])"},
            {R"(\![execute,install,url,http://x.example/g.nar,nar])",
             R"(\\![execute,install,url,http://x.example/g.nar,nar])"},
            {R"(\![updatebymyself]\![vanishbymyself])",
             R"(\\![updatebymyself]\\![vanishbymyself])"},
            // Other ghosts, quitting, the machine's state.
            {R"(\![change,ghost,Other]\![call,ghost,Other])",
             R"(\\![change,ghost,Other]\\![call,ghost,Other])"},
            {R"(bye\-)", R"(bye\\-)"},
            {R"(\+\_+)", R"(\\+\\_+)"},
            {R"(\![execute,emptyrecyclebin])", R"(\\![execute,emptyrecyclebin])"},
            {R"(\![set,wallpaper,C:\x.bmp])", R"(\\![set,wallpaper,C:\\x.bmp])"},
            {R"(\![set,property,x,1]\![raise,OnX]\![embed,OnX])",
             R"(\\![set,property,x,1]\\![raise,OnX]\\![embed,OnX])"},
            {R"(\![enter,passivemode]\m[1,2,3])", R"(\\![enter,passivemode]\\m[1,2,3])"},
            // Choices, links, blocking, sounds and images.
            {R"(\q[Go,http://x.example/]\q[Run,script:\-])",
             R"(\\q[Go,http://x.example/]\\q[Run,script:\\-])"},
            {R"(\URL[http://x.example/])", R"(\\URL[http://x.example/])"},
            {R"(\x\t)", R"(\\x\\t)"},
            {R"(\_v[C:\x.wav]\8[x.wav]\_b[C:\x.png,0,0])",
             R"(\\_v[C:\\x.wav]\\8[x.wav]\\_b[C:\\x.png,0,0])"},
            // Forms next to kept ones, and letter case.
            {R"(\_a[x]\_n\_?\__q[x]\__c\_V)", R"(\\_a[x]\\_n\\_?\\__q[x]\\__c\\_V)"},
            {R"(\S[1]\E\H\w0\w\i\i2\_w500)", R"(\\S[1]\\E\\H\\w0\\w\\i\\i2\\_w500)"},
            // An escape before a tag leaves the tag a tag: it is doubled too.
            {R"(\\\j[x])", R"(\\\\j[x])"},
            {R"(\\\\\-)", R"(\\\\\\-)"},
        },
        nullptr);
}

TEST(ScriptFilter, MalformedArgumentsAreNotKept) {
    expect_filtered(
        {
            // Unclosed and nested brackets.
            {R"(\s[1)", R"(\\s[1)"},
            {R"(\s[[1]])", R"(\\s[[1]])"},
            {R"(\s[1]])", R"(\s[1]])"},
            {R"(\f[name,\j[x]])", R"(\\f[name,\\j[x]])"},
            {R"(\f[a[b]c])", R"(\\f[a[b]c])"},
            {R"(\f[])", R"(\\f[])"},
            {R"(\s[\![open,file,x]])", R"(\\s[\\![open,file,x]])"},
            {R"(\_s[0,1)", R"(\\_s[0,1)"},
            // Wrong content for the tag.
            {R"(\s[abc]\s[1,2]\s[--1]\s[])", R"(\\s[abc]\\s[1,2]\\s[--1]\\s[])"},
            {R"(\p[-1]\b[+1]\sx)", R"(\\p[-1]\\b[+1]\\sx)"},
            {R"(\n[full]\n[]\c[word,1]\c[char,])", R"(\\n[full]\\n[]\\c[word,1]\\c[char,])"},
            {R"(\i[1,loop]\i[wait])", R"(\\i[1,loop]\\i[wait])"},
            {R"(\_w[]\_w[1a]\__w[-5])", R"(\\_w[]\\_w[1a]\\__w[-5])"},
            {R"(\_s[]\_s[0,,1]\_s[0,])", R"(\\_s[]\\_s[0,,1]\\_s[0,])"},
            {R"(\_l[1]\_l[1,2,3]\_l[x,1])", R"(\\_l[1]\\_l[1,2,3]\\_l[x,1])"},
            {R"(\_u[zz]\_u[0x]\_m[])", R"(\\_u[zz]\\_u[0x]\\_m[])"},
            {R"(\&[a b]\&[#x41]\&[])", R"(\\&[a b]\\&[#x41]\\&[])"},
        },
        nullptr);
}

TEST(ScriptFilter, LineEndsAndBreaks) {
    expect_filtered(
        {
            // A lone backslash at the end would swallow the suffix's \e.
            {"words\\", "words\\\\"},
            {"\\", "\\\\"},
            {"\\\\\\", "\\\\\\\\"},
            // CR and LF would end the request's line.
            {"a\rb", "a b"},
            {"a\r\nSender: x", "a  Sender: x"},
            {"\\\r\\e", "\\\\ \\e"},
            {"\\s[1\r]", "\\\\s[1 ]"},
            {"\\f[a\nb]", "\\\\f[a b]"},
            // A NUL cannot reach the filter, but is only a byte to it.
            {std::string("a\0\\j", 4), std::string("a\0\\\\j", 5)},
            {"", ""},
        },
        nullptr);
}

TEST(ScriptFilter, ShiftJisTrailBytesAreNoBackslash) {
    // 0x95 0x5C is one character in Shift_JIS; in UTF-8 the 0x5C is a backslash.
    const std::string lead = "\x95";
    expect_filtered(
        {
            {lead + "\\j[http://x.example/]", lead + "\\j[http://x.example/]"},
            // The trail byte cannot pair with the next backslash into an escape.
            {lead + "\\\\j[x]", lead + "\\\\\\j[x]"},
            {lead + "\\", lead + "\\"},
            {"\\f[name,\x83\\]", "\\f[name,\x83\\]"},
            // A lead byte may swallow a ']' as the ghost reads it: unclosed.
            {"\\s[1" + lead + "]", "\\\\s[1" + lead + "]"},
            {"\\" + lead + "\\", "\\\\" + lead + "\\"},
            // A lead byte with no trail must not take the suffix's backslash.
            {"abc" + lead, "abc" + lead + " "},
            {"a" + lead + "\rb", "a" + lead + " b"},
            // Single-byte katakana (0xA1-0xDF) lead nothing.
            {"\xB1\\-", "\xB1\\\\-"},
        },
        shift_jis_lead_byte);
    expect_filtered(
        {
            {lead + "\\j[http://x.example/]", lead + "\\\\j[http://x.example/]"},
            {lead + "\\\\j[x]", lead + "\\\\j[x]"},
            {lead + "\\", lead + "\\\\"},
            {"\\f[name,\x83\\]", "\\\\f[name,\x83\\\\]"},
            {"\\" + lead + "\\", "\\\\" + lead + "\\\\"},
            {"abc" + lead, "abc" + lead},
        },
        nullptr);
}

TEST(ScriptFilter, SystemCodePageLeadsAsItsPredicateSays) {
    // 0xFD leads in the wide code page, not in Shift_JIS.
    expect_filtered({{"\xFD\\j[x]", "\xFD\\j[x]"}, {"\x95\\-", "\x95\\-"}}, wide_lead_byte);
    expect_filtered({{"\xFD\\j[x]", "\xFD\\\\j[x]"}}, shift_jis_lead_byte);
}

TEST(ScriptFilter, ShiftJisLeadRanges) {
    for (unsigned byte : {0x81u, 0x9Fu, 0xE0u, 0xFCu})
        EXPECT_TRUE(shift_jis_lead_byte(static_cast<unsigned char>(byte))) << byte;
    for (unsigned byte : {0x00u, 0x5Cu, 0x7Fu, 0x80u, 0xA0u, 0xDFu, 0xFDu, 0xFFu})
        EXPECT_FALSE(shift_jis_lead_byte(static_cast<unsigned char>(byte))) << byte;
}

} // namespace
} // namespace lumivox
