// The folders where users keep lyric files apart from their tracks, and the
// names lyric files have there: "Artist - Title" or "Title", made from the
// tags as the player makes file names of them (the name lyric components of
// the player save under).
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumivox {

// Room for a folder and a candidate in it.
constexpr size_t lyric_folder_size = 2052;

// The folders in the order they are tried, each with its separator at the
// end: the user's own (the setting cfg_lyrics_folder, when set), the
// player's profile lyrics folder, then the user's lyric folder of the
// platform (home_lyrics_folder). Folders that are not known are left out;
// at most three. Read on the player's thread.
size_t lyric_folders(const char* (&folders)[3]);

// The profile lyrics folder: profile_path (as the host names its profile:
// "file://" and a local path) and "lyrics", or none for nullptr or "".
void set_profile_lyrics_folder(const char* profile_path);
const char* profile_lyrics_folder(); // "" for none
// The platform's own lyric folder of the user (~/.lyrics); "" for none.
void set_home_lyrics_folder(const char* folder);

// Writes folder, then the name made from the tags (artist may be null for
// "Title" alone) into out (size bytes), leaving room for an extension of
// extension_room bytes and its NUL. Every character the player does not put
// into file names is replaced as the player replaces it: "/" and "\" become
// the folder separator, "*" an "x", '"' two "'", ":<>?|" and control
// characters an "_". Returns the end of the name, or nullptr when a tag is
// empty, when the name would not fit, or when a part of it between
// separators would not stay inside folder (empty, or only dots and spaces).
char* lyric_name_in_folder(const char* folder, const char* artist, const char* title,
                           size_t extension_room, char* out, size_t size);

} // namespace lumivox
