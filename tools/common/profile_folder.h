// The folder the substitute players name as the player's profile when none
// is given: on Windows the player's own under %APPDATA%; elsewhere
// $XDG_DATA_HOME (~/.local/share), so that the profile's "lyrics" folder is
// where Linux lyric tools keep theirs.
#pragma once

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include "tools/common/wide_text.h"
#endif

namespace lumivox::tools {

inline std::string default_profile_folder() {
#ifdef _WIN32
    const wchar_t* app_data = _wgetenv(L"APPDATA");
    return app_data != nullptr ? narrow(app_data) + "\\foobar2000-v2" : std::string();
#else
    const char* data_home = std::getenv("XDG_DATA_HOME");
    if (data_home != nullptr && data_home[0] == '/')
        return data_home;
    const char* home = std::getenv("HOME");
    return home != nullptr ? std::string(home) + "/.local/share" : std::string();
#endif
}

} // namespace lumivox::tools
