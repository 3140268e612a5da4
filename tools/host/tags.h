// Reading an audio file's tags and duration for the substitute host.
#pragma once

#include "tools/host/host_services.h"

#include <string>
#include <vector>

namespace lumivox::tools {

struct AudioFile {
    std::vector<TrackField> fields;
    double duration_seconds = -1; // unknown
};

// Reads what it can; false with a reason only when the file cannot be read.
bool read_audio_file(const std::string& path, AudioFile& out, std::string& error);

} // namespace lumivox::tools
