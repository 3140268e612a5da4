// Small lyric texts in the double-byte charsets, each line as written here
// (UTF-8) and as its code units in the charset, for the tests of files that
// do not name their charset: what the ghost shows must be the text written.
#pragma once

#include <string>
#include <vector>

namespace lumivox::test {

// The bytes of hexadecimal code units, "d4c2 c1c1 20": spaces only part them.
inline std::string code_units(const char* hex) {
    auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    std::string out;
    for (const char* p = hex; *p != '\0';) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        out += static_cast<char>(nibble(p[0]) << 4 | nibble(p[1]));
        p += 2;
    }
    return out;
}

struct LegacyLine {
    std::string text;  // as written, UTF-8
    std::string bytes; // in the file's charset
};

struct LegacyText {
    const char* name;
    const char* charset; // what the judgement reads it as
    std::vector<LegacyLine> lines;
};

inline LegacyLine line(const char* text, const char* hex) {
    return {text, code_units(hex)};
}

// Each text's lines fit one charset best; the names tell what makes one hard.
inline const std::vector<LegacyText>& legacy_texts() {
    static const std::vector<LegacyText> texts = {
        {"GBK Chinese",
         "GBK",
         {line("月亮升起来了", "d4c2 c1c1 c9fd c6f0 c0b4 c1cb"),
          line("照亮回家的小路", "d5d5 c1c1 bbd8 bcd2 b5c4 d0a1 c2b7"),
          line("我们一起唱歌", "ced2 c3c7 d2bb c6f0 b3aa b8e8")}},
        {"GBK Chinese whose bytes are also Shift_JIS",
         "GBK",
         {line("中文歌词", "d6d0 cec4 b8e8 b4ca"), line("他们来了", "cbfb c3c7 c0b4 c1cb"),
          line("小河流水", "d0a1 bad3 c1f7 cbae")}},
        {"Big5 Chinese",
         "Big5",
         {line("月亮升起來了", "a4eb ab47 a4c9 b05f a8d3 a446"),
          line("照亮回家的小路", "b7d3 ab47 a65e ae61 aaba a470 b8f4"),
          line("我們一起唱歌", "a7da adcc a440 b05f b0db ba71")}},
        {"EUC-KR Korean",
         "EUC-KR",
         {line("별이 빛나는 밤에", "bab0 c0cc 20 bafb b3aa b4c2 20 b9e3 bfa1"),
          line("우리 함께 노래해요", "bfec b8ae 20 c7d4 b2b2 20 b3eb b7a1 c7d8 bfe4"),
          line("바람이 불어오는 곳", "b9d9 b6f7 c0cc 20 bad2 beee bfc0 b4c2 20 b0f7")}},
        {"Shift_JIS Japanese whose bytes are also GBK",
         "Shift_JIS",
         {line("夜空に輝く星のように", "96e9 8bf3 82c9 8b50 82ad 90af 82cc 82e6 82a4 82c9"),
          line("きらきら ひかる", "82ab 82e7 82ab 82e7 20 82d0 82a9 82e9"),
          line("君と歌おう", "8c4e 82c6 89cc 82a8 82a4")}},
        // One line, where the judgement has least to go on.
        {"one line of GBK", "GBK", {line("中文歌词", "d6d0 cec4 b8e8 b4ca")}},
        {"one line of Big5", "Big5", {line("我們一起唱歌", "a7da adcc a440 b05f b0db ba71")}},
        {"one line of EUC-KR",
         "EUC-KR",
         {line("우리 함께 노래해요", "bfec b8ae 20 c7d4 b2b2 20 b3eb b7a1 c7d8 bfe4")}},
        {"one line of Shift_JIS", "Shift_JIS", {line("ありがとう", "82a0 82e8 82aa 82c6 82a4")}},
        {"one line of half-width katakana",
         "Shift_JIS",
         {line("ｷﾗｷﾗ ﾋｶﾙ", "b7 d7 b7 d7 20 cb b6 d9")}},
    };
    return texts;
}

} // namespace lumivox::test
