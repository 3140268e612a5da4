// A temporary folder holding a lyric file beside a track's file name. The
// folder's name is not plain ASCII, so that the component must hand the
// player's file function a proper UTF-8 path.
#pragma once

#include "win32_decls.h"

namespace abi {

struct LyricFolder {
    wchar_t folder[512];
    wchar_t lyric_file[640];
    char track_location[2048]; // "file://" and the track's Windows path, UTF-8
};

bool make_lyric_folder(LyricFolder& out, const char* lyric_text);
void remove_lyric_folder(const LyricFolder& folder);

} // namespace abi
