// lumivox-lyrics: tells why a track is or is not sung, through the
// component's own lookup and loader. Writes nothing anywhere.
#include "platform/folders.h"
#include "tools/common/arguments.h"
#include "tools/common/field_file.h"
#include "tools/common/profile_folder.h"
#include "tools/lyrics/checker.h"
#include "tools/lyrics/report_output.h"
#include "tools/lyrics/settings_file.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

using namespace lumivox;

const char usage[] =
    "usage: lumivox-lyrics check TRACK [--title T] [--artist A] [--field NAME=VALUE]...\n"
    "                            [--settings FILE] [--profile DIR] [--download] [--json]\n"
    "       lumivox-lyrics show FILE [--settings FILE] [--json]\n"
    "\n"
    "check     every lyric candidate of the track in the order they are tried, with the\n"
    "          reason each is or is not sung, then the lines the ghost will receive\n"
    "show      one lyric file: whether it is sung, the lines left out and why, and the\n"
    "          lines the ghost will receive\n"
    "--title, --artist  the track's tags, as the player would give them\n"
    "--field NAME=VALUE another tag of the track, such as \"UNSYNCED LYRICS=@song.txt\":\n"
    "                   the lyrics fields are tried after the files; @FILE reads the value\n"
    "                   from that file, byte for byte\n"
    "--settings FILE    the component's settings blob (as lumivox-host --config keeps it);\n"
    "                   default: the component's defaults\n"
    "--profile DIR      the player's profile folder, whose \"lyrics\" folder is tried after\n"
    "                   the folder of the settings (default: %APPDATA%\\foobar2000-v2 on\n"
    "                   Windows, $XDG_DATA_HOME or ~/.local/share elsewhere)\n"
    "--download         when nothing on the machine would be sung, ask the settings' LRCLIB\n"
    "                   server as the component would (sending the artist, title and\n"
    "                   album) and show what it would sing; nothing is saved. Without it\n"
    "                   nothing leaves the machine.\n"
    "--json             one JSON object instead of the table\n"
    "\n"
    "Exit status: 0 when a lyric would be sung, 1 when none would, 2 for bad usage or an\n"
    "unreadable file.\n";

int fail(const std::string& why, bool show_usage) {
    std::fprintf(stderr, "lumivox-lyrics: %s\n%s", why.c_str(), show_usage ? usage : "");
    return 2;
}

bool is_regular_file(const std::string& utf8) {
    std::error_code error;
    return std::filesystem::is_regular_file(
        std::filesystem::path(std::u8string(utf8.begin(), utf8.end())), error);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args = tools::utf8_arguments(argc, argv);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (args.size() < 2)
        return fail("needs a command and a file", true);
    const std::string command = args[0];
    const std::string subject = args[1];
    if (command != "check" && command != "show")
        return fail("unknown command \"" + command + "\"", true);
    lyrics::TrackTags tags;
    lyrics::CheckOptions check;
    check.profile = tools::default_profile_folder();
    std::string settings;
    bool json = false;
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--json") {
            json = true;
            continue;
        }
        if (a == "--download" && command == "check") {
            check.download = true;
            continue;
        }
        bool takes_value =
            a == "--settings" || (command == "check" && (a == "--title" || a == "--artist" ||
                                                         a == "--field" || a == "--profile"));
        if (!takes_value)
            return fail("\"" + command + "\" does not take \"" + a + "\"", true);
        if (i + 1 >= args.size())
            return fail(a + " needs a value", true);
        const std::string& value = args[++i];
        if (a == "--field") {
            size_t eq = value.find('=');
            if (eq == std::string::npos || eq == 0)
                return fail("--field takes NAME=VALUE", true);
            std::string name = value.substr(0, eq);
            std::string text;
            std::string error;
            if (!tools::field_value(name, value.substr(eq + 1), text, error))
                return fail(error, false);
            tags.fields.emplace_back(name, text);
        } else {
            (a == "--title"     ? tags.title
             : a == "--artist"  ? tags.artist
             : a == "--profile" ? check.profile
                                : settings) = value;
        }
    }
    const std::string relative = "file-relative://";
    if (command == "check" && subject.compare(0, relative.size(), relative) == 0) {
        char folder[4096];
        lumivox::platform::program_folder(folder, sizeof folder);
        if (!is_regular_file(folder + subject.substr(relative.size())))
            return fail("\"" + subject + "\" is not a file that can be read", false);
    } else if (!is_regular_file(subject)) {
        return fail("\"" + subject + "\" is not a file that can be read", false);
    }

    std::string error;
    if (!lyrics::load_settings(settings, error))
        return fail(error, false);
    lyrics::Report report;
    if (command == "check") {
        report = lyrics::check_track(subject, tags, check);
    } else if (!lyrics::show_file(subject, report, error)) {
        return fail(error, false);
    }
    bool show_lines = command == "show";
    std::string out = json ? lyrics::report_json(subject, report, show_lines)
                           : lyrics::report_text(subject, report, show_lines);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return report.sung ? 0 : 1;
}
