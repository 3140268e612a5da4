// Scenarios for the substitute host: one playback event per line.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace lumivox::tools {

struct Step {
    int line = 0;
    std::string word;
    std::vector<std::string> positional;                    // after the word
    std::vector<std::pair<std::string, std::string>> named; // NAME=VALUE, in order
    std::vector<std::string> flags;                         // bare words such as "paused"
    std::vector<std::string> words;                         // all of them, in order
};

// Splits a line into words: blanks separate them, a double quote runs to the
// next double quote with every byte inside standing for itself, "#" outside
// quotes starts a comment. False with a reason on an unterminated quote.
bool split_words(const std::string& line, std::vector<std::string>& words, std::string& error);

// Parses and checks one step already split into words, the first being the
// step's word; false with a reason.
bool parse_step_words(const std::vector<std::string>& words, Step& step, std::string& error);

// Parses and checks every line; false with "line N: ..." on the first bad one.
bool parse_scenario(const std::string& text, std::vector<Step>& steps, std::string& error);

} // namespace lumivox::tools
