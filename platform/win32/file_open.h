// How a lyric file is opened for reading on Windows: shared for reading only
// (nobody can write it between the loader's two passes), OPEN_EXISTING; an
// INVALID_HANDLE_VALUE becomes no_file. The program chooses the call by what
// it links: the component opens through the player's uCreateFile
// (player_file_open.cpp), a program that has no player, such as the
// substitute mascot host, through the system (system_file_open.cpp).
#pragma once

#include "platform/file.h"

namespace lumivox::platform {

FileHandle open_file_for_reading(const char* path);

} // namespace lumivox::platform
