// The host's configuration file as the tests write and read it: records of a
// 16-byte GUID, a 32-bit little-endian size and the data.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace lumivox::e2e {

// The settings' GUIDs as stored, in hex.
inline const std::string options_guid = "2f09763588f8b541b1520a139f39eac2";
inline const std::string features_guid = "be7537724f9e5847b4bfa5678823a847";
inline const std::string primary_guid = "4f0aa4856691234cbafadcb01a4951b0";
inline const std::string startup_guid = "72b268c65b32da4d8a277657b7b4c14d";
inline const std::string lyric_download_guid = "4097bb1da3bfc142ba7273f6d139c38a";
inline const std::string lyrics_folder_guid = "e1bf17f65325bb4f92113adb5dbaee59";
inline const std::string lrclib_server_guid = "d8c6a9816db73c4e94a51e88b375d7cd";

// One record holding a 32-bit word.
std::string word_record(const std::string& guid, uint32_t value);
// One record holding a text.
std::string text_record(const std::string& guid, const std::string& text);

// The records of the file by GUID; the last one of a GUID wins.
std::map<std::string, std::string> read_blob(const std::string& path);

// A record's data read as a 32-bit word.
uint32_t word(const std::string& data);

} // namespace lumivox::e2e
