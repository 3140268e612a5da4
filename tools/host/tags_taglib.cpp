// Tags and duration read with TagLib.
#include "tools/host/tags.h"

#include <fstream>
#include <taglib/aifffile.h>
#include <taglib/fileref.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/trueaudiofile.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <taglib/wavfile.h>

namespace lumivox::tools {

namespace {

// The field the player gives an ID3v2 USLT frame's text under.
const char uslt_field[] = "UNSYNCED LYRICS";

// The ID3v2 tag when it is what the file's PropertyMap was read from:
// MPEG and TrueAudio files prefer it to their other tags, WAVE and AIFF
// files read nothing else. FLAC files read their Vorbis comment.
TagLib::ID3v2::Tag* property_source_id3v2(TagLib::File* file) {
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file))
        return mpeg->hasID3v2Tag() ? mpeg->ID3v2Tag() : nullptr;
    if (auto* tta = dynamic_cast<TagLib::TrueAudio::File*>(file))
        return tta->hasID3v2Tag() ? tta->ID3v2Tag() : nullptr;
    if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file))
        return wav->hasID3v2Tag() ? wav->ID3v2Tag() : nullptr;
    if (auto* aiff = dynamic_cast<TagLib::RIFF::AIFF::File*>(file))
        return aiff->hasID3v2Tag() ? aiff->tag() : nullptr;
    return nullptr;
}

// TagLib puts a USLT frame's text under LYRICS (or LYRICS:DESCRIPTION),
// mixed with a TXXX frame described LYRICS; the player keeps the two apart
// and names the USLT frame's text UNSYNCED LYRICS. Each USLT text is taken
// out of the key TagLib put it under and returned in frame order.
TagLib::StringList take_uslt_texts(TagLib::ID3v2::Tag* tag, TagLib::PropertyMap& properties) {
    TagLib::StringList texts;
    for (TagLib::ID3v2::Frame* frame : tag->frameList("USLT")) {
        auto* lyrics = dynamic_cast<TagLib::ID3v2::UnsynchronizedLyricsFrame*>(frame);
        if (lyrics == nullptr)
            continue;
        for (const auto& [key, values] : lyrics->asProperties()) {
            if (!properties.contains(key))
                continue;
            TagLib::StringList& listed = properties[key];
            auto at = listed.find(lyrics->text());
            if (at != listed.end())
                listed.erase(at);
            if (listed.isEmpty())
                properties.erase(key);
        }
        texts.append(lyrics->text());
    }
    return texts;
}

TrackField field_of(const TagLib::String& name, const TagLib::StringList& values) {
    TrackField field{name.to8Bit(true), {}};
    for (const auto& value : values)
        field.values.push_back(value.to8Bit(true));
    return field;
}

} // namespace

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
        TagLib::StringList uslt;
        if (TagLib::ID3v2::Tag* id3v2 = property_source_id3v2(file.file()))
            uslt = take_uslt_texts(id3v2, properties);
        for (const auto& [key, values] : properties)
            out.fields.push_back(field_of(key, values));
        if (!uslt.isEmpty())
            out.fields.push_back(field_of(uslt_field, uslt));
    }
    if (file.audioProperties() != nullptr)
        out.duration_seconds = file.audioProperties()->lengthInMilliseconds() / 1000.0;
    return true;
}

} // namespace lumivox::tools
