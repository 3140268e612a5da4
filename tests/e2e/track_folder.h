// A fresh folder for each test, with a stand-in audio file "song.mp3" in it,
// removed after the test.
#pragma once

#include "tests/e2e/processes.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace lumivox::e2e {

class TrackFolder : public testing::Test {
  protected:
    void SetUp() override {
        folder_ = make_temp_folder();
        write_file(path("song.mp3"), "not really audio");
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string path(const std::string& name) const { return folder_ + "/" + name; }

    std::string folder_;
};

} // namespace lumivox::e2e
