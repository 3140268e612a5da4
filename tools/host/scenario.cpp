#include "tools/host/scenario.h"

#include <cstdlib>
#include <sstream>

namespace lumivox::tools {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

bool is_number(const std::string& s, bool allow_fraction) {
    if (s.empty())
        return false;
    char* end = nullptr;
    if (allow_fraction)
        std::strtod(s.c_str(), &end);
    else
        std::strtol(s.c_str(), &end, 10);
    return *end == '\0';
}

// What each word takes: its positional arguments and the names it accepts.
struct Grammar {
    const char* word;
    int positional;        // exact count, or -1 for one or more
    bool seconds_argument; // the first positional is a number of seconds
    bool any_names;        // NAME=VALUE words allowed
    const char* flags;     // bare words allowed after the positionals
};

const Grammar grammar[] = {
    {"start", 0, false, false, ""},
    {"track", 1, false, true, "paused"},
    {"time", 1, true, false, ""},
    {"play", 1, true, true, ""},
    {"seek", 1, true, false, ""},
    {"pause", 0, false, false, ""},
    {"resume", 0, false, false, ""},
    {"stop", 0, false, false, ""},
    {"sleep", 1, false, false, ""},
    {"exit", 0, false, false, ""},
    {"prefs", 0, false, true, "reset apply cancel ok"},
    {"reset", 0, false, false, ""},
};

bool parse_step(const std::vector<std::string>& words, Step& step, std::string& why) {
    step.word = words[0];
    const Grammar* g = nullptr;
    for (const Grammar& candidate : grammar) {
        if (step.word == candidate.word)
            g = &candidate;
    }
    if (g == nullptr) {
        why = "unknown word \"" + step.word + "\"";
        return false;
    }
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& w = words[i];
        step.words.push_back(w);
        size_t eq = w.find('=');
        if (static_cast<int>(step.positional.size()) < g->positional) {
            step.positional.push_back(w);
        } else if (eq != std::string::npos && eq > 0 && g->any_names) {
            step.named.emplace_back(w.substr(0, eq), w.substr(eq + 1));
        } else if (*g->flags != '\0' &&
                   (std::string(" ") + g->flags + " ").find(" " + w + " ") != std::string::npos) {
            step.flags.push_back(w);
        } else {
            why = "\"" + step.word + "\" does not take \"" + w + "\"";
            return false;
        }
    }
    if (static_cast<int>(step.positional.size()) < g->positional) {
        why = "\"" + step.word + "\" needs " + std::to_string(g->positional) + " argument" +
              (g->positional == 1 ? "" : "s");
        return false;
    }
    if (g->seconds_argument && !is_number(step.positional[0], true)) {
        why = "\"" + step.positional[0] + "\" is not a number of seconds";
        return false;
    }
    if (step.word == "sleep" && !is_number(step.positional[0], false)) {
        why = "\"" + step.positional[0] + "\" is not a number of milliseconds";
        return false;
    }
    if (step.word == "prefs") {
        for (const auto& [name, value] : step.named) {
            if (name != "shot" && !is_number(name, false)) {
                why = "\"prefs\" takes control IDs, as in 1001=0, and shot=FILE";
                return false;
            }
        }
        // The page is closed by the last word, or by OK after it.
        for (size_t i = 0; i + 1 < step.words.size(); ++i) {
            if (step.words[i] == "ok" || step.words[i] == "cancel") {
                why = "\"prefs\" ends with \"" + step.words[i] + "\": nothing may follow it";
                return false;
            }
        }
    }
    if (step.word == "play") {
        for (const auto& [name, value] : step.named) {
            if (name != "from" || !is_number(value, true)) {
                why = "\"play\" takes only from=SECONDS";
                return false;
            }
        }
    }
    return true;
}

} // namespace

bool split_words(const std::string& line, std::vector<std::string>& words, std::string& error) {
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && is_blank(line[i]))
            ++i;
        if (i >= line.size() || line[i] == '#')
            break;
        std::string word;
        while (i < line.size() && !is_blank(line[i])) {
            if (line[i] == '"') {
                size_t end = line.find('"', i + 1);
                if (end == std::string::npos) {
                    error = "a double quote is not closed";
                    return false;
                }
                word.append(line, i + 1, end - i - 1);
                i = end + 1;
            } else {
                word += line[i++];
            }
        }
        words.push_back(word);
    }
    return true;
}

bool parse_step_words(const std::vector<std::string>& words, Step& step, std::string& error) {
    if (words.empty()) {
        error = "no step given";
        return false;
    }
    return parse_step(words, step, error);
}

bool parse_scenario(const std::string& text, std::vector<Step>& steps, std::string& error) {
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::vector<std::string> words;
        std::string why;
        if (!split_words(line, words, why)) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
        if (words.empty())
            continue;
        Step step;
        step.line = number;
        if (!parse_step(words, step, why)) {
            error = "line " + std::to_string(number) + ": " + why + ": " + line;
            return false;
        }
        steps.push_back(step);
    }
    return true;
}

} // namespace lumivox::tools
