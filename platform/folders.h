// Where the player and its user keep things, and writing a lyric file that
// was downloaded. Paths are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumivox::platform {

// The folder that holds the running program, with its separator at the end:
// on Windows the player's executable (GetModuleFileNameW(NULL)); elsewhere
// the substitute player's, as /proc/self/exe names it. Its length, or 0 when
// it is unknown or does not fit out (size bytes with the NUL).
uint32_t program_folder(char* out, uint32_t size);

// The user's own lyric folder beside the player's, with its separator at
// the end: ~/.lyrics on Linux (from $HOME); none on Windows. Its length, or
// 0 when there is none or it does not fit.
uint32_t home_lyrics_folder(char* out, uint32_t size);

// Makes the folders of path (up to its last separator) that do not exist,
// from the separator at or after offset `from` on: what lies before it must
// exist already. False when one cannot be made.
bool make_folders(const char* path, size_t from);
// Writes n bytes into a new file, which must not exist yet; false (and no
// file left behind) otherwise.
bool file_write_new(const char* path, const void* data, size_t n);
// Gives the file `from` the name `to` only where no file of that name
// exists; false otherwise, with `from` left as it was.
bool file_rename_new(const char* from, const char* to);
void file_remove(const char* path);
bool file_exists(const char* path);

} // namespace lumivox::platform
