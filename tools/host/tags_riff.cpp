// Without TagLib (the Windows lane), tags come from the command line; the
// duration and the INFO tags of a RIFF WAVE file are still read here, so that
// "play" knows how long a track lasts.
#include "tools/host/tags.h"

#include <cstdint>
#include <fstream>
#include <vector>

namespace lumivox::tools {

namespace {

uint32_t le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void read_info(const std::vector<unsigned char>& data, size_t at, size_t end, AudioFile& out) {
    while (at + 8 <= end) {
        std::string id(reinterpret_cast<const char*>(&data[at]), 4);
        size_t size = le32(&data[at + 4]);
        if (at + 8 + size > end)
            break;
        std::string value(reinterpret_cast<const char*>(&data[at + 8]), size);
        value = value.c_str();
        if (id == "INAM")
            out.fields.push_back({"TITLE", {value}});
        else if (id == "IART")
            out.fields.push_back({"ARTIST", {value}});
        at += 8 + size + (size & 1);
    }
}

} // namespace

bool read_audio_file(const std::string& path, AudioFile& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open \"" + path + "\"";
        return false;
    }
    std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (data.size() < 12 || std::string(data.begin(), data.begin() + 4) != "RIFF" ||
        std::string(data.begin() + 8, data.begin() + 12) != "WAVE")
        return true;
    uint32_t byte_rate = 0;
    for (size_t at = 12; at + 8 <= data.size();) {
        std::string id(data.begin() + static_cast<long>(at),
                       data.begin() + static_cast<long>(at) + 4);
        size_t size = le32(&data[at + 4]);
        size_t body = at + 8;
        size_t end = std::min(data.size(), body + size);
        if (id == "fmt " && size >= 12)
            byte_rate = le32(&data[body + 8]);
        else if (id == "data" && byte_rate != 0)
            out.duration_seconds = static_cast<double>(size) / byte_rate;
        else if (id == "LIST" && size >= 4 &&
                 std::string(data.begin() + static_cast<long>(body),
                             data.begin() + static_cast<long>(body) + 4) == "INFO")
            read_info(data, body + 4, end, out);
        at = body + size + (size & 1);
    }
    return true;
}

} // namespace lumivox::tools
