// What every test of the loader starts from and leaves behind: an empty
// Timeline, UTF-8 lines, a recording transport, the options as they were and
// no replaced system call; files go to a folder of the test's own.
#pragma once

#include "component/settings.h"
#include "platform/syscalls.h"
#include "sstp/request.h"
#include "tests/support/recording_transport.h"
#include "tests/timeline/lyric_files.h"
#include "timeline/loader.h"
#include "timeline/timeline.h"

#include <gtest/gtest.h>
#include <string>

namespace lumivox::test {

inline constexpr char default_template[] = "\\0\\s[25]%ILYX\\e";
inline constexpr LyricFormat lrc{true, true};
inline constexpr LyricFormat txt_default{false, true}; // .txt while the page says "Default"
inline constexpr LyricFormat plain{};                  // .ssl, or .txt in a named charset

// A lyric as the default template wraps it.
inline std::string wrap(const std::string& lyric) {
    return "\\0\\s[25]" + lyric + "\\e";
}

inline const char* trailer_name(const CharsetTrailer* trailer) {
    return trailer == trailer_utf8        ? "UTF-8"
           : trailer == trailer_shift_jis ? "Shift_JIS"
           : trailer == trailer_plain     ? "plain"
                                          : "?";
}

class LoaderFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        free_timeline();
        current_trailer = trailer_utf8;
        use_recording_transport();
        saved_options = cfg_options;
    }
    void TearDown() override {
        platform::restore_calls();
        free_timeline();
        cfg_options = saved_options;
    }

    static void trust_lyric_scripts(bool on) {
        cfg_options = with_option(cfg_options, Option::lyric_script_trusted, on);
    }

    TempFolder folder;
    uint32_t saved_options = 0;
};

} // namespace lumivox::test
