// lumivox-host: a substitute for the media player that loads the component
// and drives it through its exported entry point and operation tables.
#include "tools/host/runner.h"
#include "tools/host/trace.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char usage[] =
    "usage: lumivox-host [--component PATH] [--config FILE] [--profile DIR] [--trace]\n"
    "                    play FILE...\n"
    "       lumivox-host [--component PATH] [--config FILE] [--profile DIR] [--trace]\n"
    "                    run SCENARIO|-\n"
    "\n"
    "play   host start, then each file in turn in real time (new track, a position\n"
    "       report every second, stop at its end), then host exit\n"
    "run    one event per line: start, track PATH [title=T] [artist=A] [NAME=V] [paused],\n"
    "       time S, play S [from=POS], seek S, pause, resume, stop, sleep MS,\n"
    "       prefs [ID=VALUE|shot=FILE.png|apply|reset...] [ok|cancel], reset, exit;\n"
    "       \"#\" starts a comment\n"
    "\n"
    "--profile DIR  the folder the player names as its profile (lyrics are looked for\n"
    "       and saved in DIR/lyrics); default: %APPDATA%\\foobar2000-v2 on Windows,\n"
    "       $XDG_DATA_HOME (~/.local/share) elsewhere\n"
    "\n"
    "track  PATH is a file, or file-relative://PATH for a file named relative to this\n"
    "       program's folder, as a portable player names one near it\n"
    "       NAME=V gives the track the tag field NAME; NAME=@FILE takes the value from\n"
    "       FILE, byte for byte (lyrics=@song.lrc); quote a word holding blanks:\n"
    "       \"unsynced lyrics=@song.txt\"\n"
    "\n"
    "prefs  opens the preferences page and works it in the order given: sets a\n"
    "       control (a check box to 0 or 1, the list to an entry's index, an edit to\n"
    "       a text), writes a picture of it with shot= (Windows build), \"apply\"\n"
    "       stores and applies what the page shows, \"reset\" shows the defaults\n"
    "       without storing them; then closes it with OK (stores, the default) or\n"
    "       with \"cancel\" (stores nothing more)\n"
    "reset  puts the stored settings back to their defaults without the page\n";

int fail_usage(const std::string& why) {
    std::fprintf(stderr, "lumivox-host: %s\n%s", why.c_str(), usage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    using namespace lumivox::tools;
    RunOptions options;
    options.component = default_component_path(argv[0]);
    int i = 1;
    for (; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--component" || a == "--config" || a == "--profile") {
            if (i + 1 >= argc)
                return fail_usage(a + " needs a value");
            (a == "--component" ? options.component
             : a == "--config"  ? options.config
                                : options.profile) = argv[++i];
        } else if (a == "--trace") {
            enable_trace(true);
        } else if (a == "--help" || a == "-h") {
            std::fputs(usage, stdout);
            return 0;
        } else {
            break;
        }
    }
    if (i >= argc)
        return fail_usage("no command given");
    std::string command = argv[i++];
    if (command == "play") {
        if (i >= argc)
            return fail_usage("play needs at least one file");
        return play_files(options, std::vector<std::string>(argv + i, argv + argc));
    }
    if (command == "run") {
        if (argc - i != 1)
            return fail_usage("run needs one scenario file, or - for standard input");
        std::string name = argv[i];
        std::stringstream text;
        if (name == "-") {
            text << std::cin.rdbuf();
        } else {
            std::ifstream in(name, std::ios::binary);
            if (!in) {
                std::fprintf(stderr, "lumivox-host: cannot read scenario \"%s\"\n", name.c_str());
                return 2;
            }
            text << in.rdbuf();
        }
        std::vector<Step> steps;
        std::string error;
        if (!parse_scenario(text.str(), steps, error)) {
            std::fprintf(stderr, "lumivox-host: %s: %s\n", name.c_str(), error.c_str());
            return 2;
        }
        return run_scenario(options, steps);
    }
    return fail_usage("unknown command \"" + command + "\"");
}
