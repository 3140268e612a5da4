// A fresh folder for each test, with a stand-in audio file "song.mp3" in it,
// removed after the test.
#pragma once

#include "tests/e2e/processes.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox::e2e {

class TrackFolder : public testing::Test {
  protected:
    void SetUp() override {
        folder_ = make_temp_folder();
        write_file(path("song.mp3"), "not really audio");
        // The player's profile, as --profile names it, exists as the real
        // player's does.
        std::filesystem::create_directories(path("profile"));
        // The players' default profile and the user's lyric folder are the
        // test's own, whatever the machine keeps in its home.
        if (!lane().windows) {
            setenv("XDG_DATA_HOME", path("data").c_str(), 1);
            setenv("HOME", path("home").c_str(), 1);
        }
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string path(const std::string& name) const { return folder_ + "/" + name; }

    // Runs the scenario with the configuration kept in config.bin, against a
    // fresh ghost; the records it received. The host must exit cleanly
    // having given back everything it was handed.
    std::vector<Record> play_configured(const std::string& scenario) {
        Ghost ghost;
        EXPECT_TRUE(ghost.ready());
        host_ = run_program(
            "lumivox-host",
            {"--trace", "--config", path("config.bin"), "--profile", path("profile"), "run", "-"},
            scenario);
        EXPECT_EQ(host_.status, 0) << host_.err;
        EXPECT_EQ(host_.err.find("did not give back"), std::string::npos) << host_.err;
        ghost.stop();
        return read_records(ghost.record_path());
    }

    std::string folder_;
    Finished host_;
};

// The scripts of the records, "<none>" for a record without one.
inline std::vector<std::string> scripts(const std::vector<Record>& records) {
    std::vector<std::string> out;
    for (const Record& r : records)
        out.push_back(r.script.value_or("<none>"));
    return out;
}

// The script with its first "\\_w[N]" read as `expected` when N falls short
// of it by at most 100 ms: what is left of a wait when a resumed line is sent
// a moment after its resynchronisation.
inline std::string settled_wait(std::string script, long expected) {
    size_t at = script.find("\\_w[");
    if (at == std::string::npos)
        return script;
    at += 4;
    size_t end = script.find(']', at);
    if (end == std::string::npos)
        return script;
    long wait = std::strtol(script.substr(at, end - at).c_str(), nullptr, 10);
    if (wait <= expected && wait >= expected - 100)
        script.replace(at, end - at, std::to_string(expected));
    return script;
}

} // namespace lumivox::e2e
