// The component's configuration blob: records of GUID, 32-bit size and data,
// one per setting. The host builds one to hand in and reads back what the
// component writes out.
#pragma once

#include "text.h"

namespace abi {

struct Settings {
    uint32_t options;
    uint32_t features;
    const char* primary;
    const char* startup;
    const char* exit;
    const char* playing;
    uint32_t lyric_download;
    const char* lyrics_folder;
    const char* lrclib_server;
};

void build_blob(const Settings& settings, Bytes& out);

// Checks that a written blob is well formed, names every setting exactly once
// and holds the expected values.
void check_blob(const char* when, const Bytes& blob, const Settings& expected);

} // namespace abi
