// lumivox-mpris: the component sings along with whatever an MPRIS player on
// the session bus plays (mpv, VLC, Rhythmbox, ...), sending to a mascot host
// over SSTP. It is a player to the component, as lumivox-host is, and follows
// a real one.
#include "tools/host/module.h"
#include "tools/host/trace.h"
#include "tools/mpris/run.h"
#include "tools/mpris/settings.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

// The module beside the program, as a build folder has it, else where an
// install puts it: PREFIX/lib/lumivox beside PREFIX/bin (packaging/).
std::string component_path(const char* argv0) {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return lumivox::tools::default_component_path(argv0);
    std::filesystem::path beside = self.parent_path() / "foo_lumivox.so";
    if (std::filesystem::exists(beside, error))
        return beside.string();
    return (self.parent_path().parent_path() / "lib/lumivox/foo_lumivox.so").string();
}

const char usage[] =
    "usage: lumivox-mpris [--component PATH] [--config FILE] [--profile DIR]\n"
    "                     [--player NAME] [--exit-with-player] [--trace]\n"
    "       lumivox-mpris [--component PATH] [--config FILE] [--trace]\n"
    "                     prefs [ID=VALUE|apply|reset...] [ok|cancel]\n"
    "\n"
    "Follows a player on the D-Bus session bus and has the ghost sing along:\n"
    "the start-up script now, each track's announcement and lyrics, the exit\n"
    "script when SIGINT or SIGTERM (Ctrl+C) ends it.\n"
    "\n"
    "--component PATH    the component module (default: foo_lumivox.so beside this,\n"
    "                    else ../lib/lumivox/foo_lumivox.so)\n"
    "--config FILE       the settings (default: $XDG_CONFIG_HOME/lumivox/settings.bin,\n"
    "                    or ~/.config/lumivox/settings.bin); a new file starts with\n"
    "                    \"Use Direct SSTP\" off, for a mascot host on port 9801\n"
    "--profile DIR       the folder the component is told is the player's profile:\n"
    "                    lyrics are looked for and saved in DIR/lyrics (default:\n"
    "                    $XDG_DATA_HOME, or ~/.local/share)\n"
    "--player NAME       follow only org.mpris.MediaPlayer2.NAME (and its instances);\n"
    "                    default: the first player that plays, then whichever starts\n"
    "--exit-with-player  end when the followed player leaves the bus\n"
    "--trace             every event on standard error\n"
    "\n"
    "prefs  works the preferences page in the order given, as lumivox-host's\n"
    "       prefs step does: sets its controls (a check box to 0 or 1, the list to an\n"
    "       entry's index, an edit to a text), \"reset\" shows the defaults, \"apply\"\n"
    "       stores; then OK stores what the page shows (\"cancel\": nothing more):\n"
    "       prefs 1013=\"\\0\\s[25]%ILYX\\e\", prefs reset 1001=0\n";

int fail_usage(const std::string& why) {
    std::fprintf(stderr, "lumivox-mpris: %s\n%s", why.c_str(), usage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    using namespace lumivox;
    tools::RunOptions options;
    options.program = "lumivox-mpris";
    options.component = component_path(argv[0]);
    mpris::FollowOptions follow;
    int i = 1;
    for (; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--component" || a == "--config" || a == "--player" || a == "--profile") {
            if (i + 1 >= argc)
                return fail_usage(a + " needs a value");
            std::string value = argv[++i];
            if (value.empty())
                return fail_usage(a + " needs a value");
            (a == "--component" ? options.component
             : a == "--config"  ? options.config
             : a == "--profile" ? options.profile
                                : follow.player) = value;
        } else if (a == "--exit-with-player") {
            follow.exit_with_player = true;
        } else if (a == "--trace") {
            tools::enable_trace(true);
        } else if (a == "--help" || a == "-h") {
            std::fputs(usage, stdout);
            return 0;
        } else {
            break;
        }
    }
    if (options.config.empty()) {
        std::string error;
        if (!mpris::default_settings_path(options.config, error)) {
            std::fprintf(stderr, "lumivox-mpris: %s\n", error.c_str());
            return 1;
        }
    }
    if (i == argc)
        return mpris::follow_player(options, follow);
    if (std::string(argv[i]) == "prefs")
        return mpris::edit_settings(options, std::vector<std::string>(argv + i, argv + argc));
    return fail_usage("unknown argument \"" + std::string(argv[i]) + "\"");
}
