// The scripts the component sends with its default settings, as the tests
// expect to see them.
#pragma once

#include <string>

namespace lumivox::test {

inline const std::string startup = "\\0\\s[0]foobar2000 is starting up.\\e";
inline const std::string exit_script = "\\0\\s[0]foobar2000 is exiting.\\e";
inline const std::string reset = "\\_q\\0\\s[0]\\e";

// A lyric as the default template wraps it.
inline std::string line_text(const std::string& lyric) {
    return "\\0\\s[25]" + lyric + "\\e";
}

} // namespace lumivox::test
