// Tags and duration read with TagLib.
#include "tools/host/tags.h"

#include <fstream>
#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>

namespace lumivox::tools {

bool read_audio_file(const std::string& path, AudioFile& out, std::string& error) {
    if (!std::ifstream(path, std::ios::binary)) {
        error = "cannot open \"" + path + "\"";
        return false;
    }
    TagLib::FileRef file(path.c_str());
    if (file.isNull())
        return true; // a file TagLib does not know: no tags, unknown length
    if (file.tag() != nullptr) {
        TagLib::PropertyMap properties = file.file()->properties();
        for (const auto& [key, values] : properties) {
            TrackField field{key.to8Bit(true), {}};
            for (const auto& value : values)
                field.values.push_back(value.to8Bit(true));
            out.fields.push_back(field);
        }
    }
    if (file.audioProperties() != nullptr)
        out.duration_seconds = file.audioProperties()->lengthInMilliseconds() / 1000.0;
    return true;
}

} // namespace lumivox::tools
