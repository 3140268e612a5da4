#include "tools/mpris/settings.h"

#include "tools/host/config_file.h"
#include "tools/host/page_steps.h"
#include "tools/host/trace.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace lumivox::mpris {

namespace {

const char direct_sstp_caption[] = "Use Direct SSTP";

// Each missing folder of the path, in turn.
bool make_folders(const std::string& folder, std::string& error) {
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/')
            continue;
        std::string part = folder.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            error = "cannot create the folder \"" + part + "\": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

} // namespace

bool default_settings_path(std::string& path, std::string& error) {
    const char* config_home = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::string folder;
    if (config_home != nullptr && config_home[0] == '/')
        folder = config_home;
    else if (home != nullptr && home[0] != '\0')
        folder = std::string(home) + "/.config";
    else {
        error = "neither XDG_CONFIG_HOME nor HOME is set: name a settings file with --config";
        return false;
    }
    folder += "/lumivox";
    if (!make_folders(folder, error))
        return false;
    path = folder + "/settings.bin";
    return true;
}

bool settings_are_new(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) != 0 && errno == ENOENT;
}

bool start_new_settings(tools::HostState& host, std::string& error) {
    int id = tools::find_check_box(host, direct_sstp_caption, error);
    if (id == 0)
        return false;
    tools::Step step;
    if (!tools::parse_step_words({"prefs", std::to_string(id) + "=0"}, step, error) ||
        !tools::preferences(host, step, error))
        return false;
    tools::trace("new settings file " + host.options.config + ", Direct SSTP off");
    return tools::write_config_file(host.module.client, host.options.config, error);
}

} // namespace lumivox::mpris
