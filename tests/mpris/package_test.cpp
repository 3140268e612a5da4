// The Debian package cpack makes of the build: the files where Debian's
// layout wants them, and control fields whose dependencies cover every
// library its programs need, as Debian's own dpkg-shlibdeps finds them.
#include "component/services.h"
#include "tests/e2e/processes.h"
#include "tests/mpris/child.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace lumivox::mpris_test {
namespace {

namespace fs = std::filesystem;

// Runs a command to its end; its output, or a failure.
std::string output_of(const std::vector<std::string>& argv, const std::string& folder,
                      const std::string& cwd_note = "") {
    std::string log = folder + "/command.log";
    Child command(argv, log);
    std::optional<int> status = command.wait(120000);
    std::string out = read_file(log);
    EXPECT_EQ(status, 0) << argv[0] << " " << cwd_note << ": " << out;
    return out;
}

std::vector<std::string> words_of(const std::string& text, char separator) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; std::getline(in, word, separator);) {
        word.erase(0, word.find_first_not_of(" \n"));
        word.erase(word.find_last_not_of(" \n") + 1);
        if (!word.empty())
            words.push_back(word);
    }
    return words;
}

TEST(Package, HoldsTheInstallAndDeclaresWhatItNeeds) {
    const char* build = std::getenv("LUMIVOX_BUILD_DIR");
    const char* cpack = std::getenv("LUMIVOX_CPACK");
    ASSERT_TRUE(build != nullptr && cpack != nullptr);
    std::string folder = e2e::make_temp_folder();
    output_of({cpack, "--config", std::string(build) + "/CPackConfig.cmake", "-B", folder + "/out"},
              folder);
    std::string version = component_version;
    std::string arch = words_of(output_of({"dpkg", "--print-architecture"}, folder), '\n').at(0);
    std::string deb = folder + "/out/lumivox_" + version + "_" + arch + ".deb";
    ASSERT_TRUE(fs::is_regular_file(deb)) << deb;

    std::set<std::string> files;
    for (const std::string& line :
         words_of(output_of({"dpkg-deb", "--contents", deb}, folder), '\n')) {
        if (line[0] == '-')
            files.insert(line.substr(line.find("./")));
    }
    std::set<std::string> expected = {
        "./etc/xdg/autostart/lumivox-mpris.desktop",
        "./usr/bin/lumivox-mpris",
        "./usr/lib/lumivox/foo_lumivox.so",
        "./usr/lib/lumivox/libshared.so",
        "./usr/lib/systemd/user/lumivox-mpris.service",
    };
    EXPECT_EQ(files, expected);

    auto field = [&](const std::string& name) {
        std::string value = output_of({"dpkg-deb", "--field", deb, name}, folder);
        return value.substr(0, value.find_last_not_of('\n') + 1);
    };
    EXPECT_EQ(field("Package"), "lumivox");
    EXPECT_EQ(field("Version"), version);
    EXPECT_EQ(field("Architecture"), arch);
    EXPECT_NE(field("Maintainer"), "");
    EXPECT_NE(field("Description").find("systemctl --user enable --now lumivox-mpris"),
              std::string::npos);
    EXPECT_EQ(output_of({"dpkg-deb", "--info", deb, "conffiles"}, folder),
              "/etc/xdg/autostart/lumivox-mpris.desktop\n");

    // Every package the programs' libraries come from is declared.
    std::set<std::string> declared;
    for (const std::string& dependency : words_of(field("Depends"), ','))
        declared.insert(dependency.substr(0, dependency.find(' ')));
    std::string root = folder + "/root";
    output_of({"dpkg-deb", "--extract", deb, root}, folder);
    EXPECT_NE(read_file(root + "/usr/lib/systemd/user/lumivox-mpris.service")
                  .find("ExecStart=/usr/bin/lumivox-mpris\n"),
              std::string::npos);
    // dpkg-shlibdeps reads the source package's debian/control.
    fs::create_directories(folder + "/debian");
    e2e::write_file(folder + "/debian/control",
                    "Source: lumivox\n\nPackage: lumivox\nArchitecture: any\n");
    std::string script = "cd '" + folder + "' && dpkg-shlibdeps -O -lroot/usr/lib/lumivox " +
                         "root/usr/bin/lumivox-mpris root/usr/lib/lumivox/foo_lumivox.so " +
                         "root/usr/lib/lumivox/libshared.so 2>/dev/null";
    std::string found = output_of({"sh", "-c", script}, folder);
    size_t at = found.find("shlibs:Depends=");
    ASSERT_NE(at, std::string::npos) << found;
    std::vector<std::string> needed =
        words_of(found.substr(at + 15, found.find('\n', at) - at - 15), ',');
    EXPECT_FALSE(needed.empty());
    for (const std::string& dependency : needed) {
        std::string name = dependency.substr(0, dependency.find(' '));
        EXPECT_EQ(declared.count(name), 1u) << name << " is needed but not declared";
    }
    fs::remove_all(folder);
}

} // namespace
} // namespace lumivox::mpris_test
