// lumivox-mpris as `cmake --install` lays it out in a prefix of its own:
// the bridge finds the module and libshared.so there, not in the build
// folder, sings along with mpv, and the systemd user unit and the autostart
// entry name it there and pass their checkers.
#include "tests/e2e/processes.h"
#include "tests/mpris/child.h"
#include "tests/mpris/mpv.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace lumivox::mpris_test {
namespace {

namespace fs = std::filesystem;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The files a process has mapped that lie in the folder or its subfolders.
std::vector<std::string> mapped_under(pid_t pid, const std::string& folder) {
    std::istringstream maps(read_file("/proc/" + std::to_string(pid) + "/maps"));
    std::vector<std::string> found;
    for (std::string line; std::getline(maps, line);) {
        size_t path = line.find('/');
        if (path != std::string::npos && line.compare(path, folder.size(), folder) == 0)
            found.push_back(line.substr(path));
    }
    return found;
}

bool wait_for_records(const e2e::Ghost& ghost, size_t count) {
    for (int waited = 0; waited < 15000; waited += 20) {
        if (e2e::read_records(ghost.record_path()).size() >= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TEST(Installed, TheBridgeInAPrefixOfItsOwnSingsAlongWithMpv) {
    std::string folder = e2e::make_temp_folder();
    std::string prefix = folder + "/prefix";
    std::string build = environment("LUMIVOX_BUILD_DIR");
    ASSERT_FALSE(build.empty());
    {
        Child install({environment("LUMIVOX_CMAKE"), "--install", build, "--prefix", prefix},
                      folder + "/install.log");
        ASSERT_EQ(install.wait(60000), 0) << read_file(folder + "/install.log");
    }
    const std::string bridge = prefix + "/bin/lumivox-mpris";
    const std::string unit = prefix + "/lib/systemd/user/lumivox-mpris.service";
    const std::string entry = prefix + "/etc/xdg/autostart/lumivox-mpris.desktop";
    for (const std::string& file : {bridge, prefix + "/lib/lumivox/foo_lumivox.so",
                                    prefix + "/lib/lumivox/libshared.so", unit, entry})
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
    EXPECT_NE(read_file(unit).find("ExecStart=" + bridge + "\n"), std::string::npos)
        << read_file(unit);
    EXPECT_NE(read_file(entry).find("Exec=" + bridge + "\n"), std::string::npos)
        << read_file(entry);
    // systemd's own checker, which also wants ExecStart there to run.
    fs::create_directory(folder + "/runtime");
    fs::permissions(folder + "/runtime", fs::perms::owner_all);
    {
        Child verify({"systemd-analyze", "--user", "verify", unit}, folder + "/verify.log",
                     {"XDG_RUNTIME_DIR=" + folder + "/runtime"});
        EXPECT_EQ(verify.wait(30000), 0) << read_file(folder + "/verify.log");
        Child validate({"desktop-file-validate", entry}, folder + "/validate.log");
        EXPECT_EQ(validate.wait(30000), 0) << read_file(folder + "/validate.log");
    }

    // A first line after 2 s: the track is announced.
    write_wav(folder + "/song.wav", 4, "Installed Tune", "Ida");
    e2e::write_file(folder + "/song.lrc", "[00:02.50]Installed-A\n");
    e2e::Ghost ghost;
    ASSERT_TRUE(ghost.ready());
    // No --component: the module is found from the bridge's own place.
    Child mpris({bridge, "--trace", "--config", folder + "/settings.bin"}, folder + "/mpris.log");
    ASSERT_TRUE(wait_for_records(ghost, 1)) << read_file(folder + "/mpris.log");
    std::vector<std::string> from_prefix = mapped_under(mpris.pid(), prefix);
    std::vector<std::string> from_build = mapped_under(mpris.pid(), build);
    {
        Mpv mpv(folder, {folder + "/song.wav"});
        ASSERT_TRUE(mpv.ready());
        ASSERT_TRUE(
            mpv.wait_for([](const Sample& s) { return s.entry == 0 && s.position >= 3.0; }));
        ASSERT_TRUE(wait_for_records(ghost, 3));
        mpris.signal(SIGTERM);
        EXPECT_EQ(mpris.wait(15000), 0) << read_file(folder + "/mpris.log");
    }
    ghost.stop();
    auto has = [&](const std::string& file) {
        return std::find(from_prefix.begin(), from_prefix.end(), file) != from_prefix.end();
    };
    EXPECT_TRUE(has(prefix + "/lib/lumivox/foo_lumivox.so")) << testing::PrintToString(from_prefix);
    EXPECT_TRUE(has(prefix + "/lib/lumivox/libshared.so")) << testing::PrintToString(from_prefix);
    EXPECT_EQ(from_build, std::vector<std::string>{});

    std::vector<std::string> sung_or_said;
    for (const e2e::Record& r : e2e::read_records(ghost.record_path())) {
        if (r.script && *r.script != "\\_q\\0\\s[0]\\e")
            sung_or_said.push_back(*r.script);
    }
    std::vector<std::string> expected = {
        "\\0\\s[0]foobar2000 is starting up.\\e",
        "\\0\\s[0]Next song is Installed Tune\\nSung by Ida\\e",
        "\\0\\s[25]Installed-A\\e",
        "\\0\\s[0]foobar2000 is exiting.\\e",
    };
    EXPECT_EQ(sung_or_said, expected) << read_file(folder + "/mpris.log");
    fs::remove_all(folder);
}

} // namespace
} // namespace lumivox::mpris_test
