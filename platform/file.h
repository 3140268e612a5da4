// Reading a lyric file: opened for reading while others may only read it,
// read in pieces, rewound once for the second pass, closed.
#pragma once

#include <cstdint>

namespace lumivox::platform {

// A Win32 HANDLE or a POSIX file descriptor; no_file when an open failed.
using FileHandle = intptr_t;
constexpr FileHandle no_file = -1;

// Opens an existing file by UTF-8 path for reading; only regular files open,
// on either lane. On Windows the component opens through the player's
// uCreateFile (GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING; see
// platform/win32/file_open.h).
FileHandle file_open_read(const char* path);
// Reads up to n bytes; the count read (0 at the end of the file), or -1 when
// the read failed.
int32_t file_read(FileHandle file, void* buffer, uint32_t n);
// Moves back to offset 0; false when that failed.
bool file_rewind(FileHandle file);
void file_close(FileHandle file);

// The separator of the host's local paths: "\" on Windows, "/" elsewhere.
constexpr char path_separator() {
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

} // namespace lumivox::platform
