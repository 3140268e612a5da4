// The substitute for "ws2_32.dll" on this lane: Winsock-shaped functions over
// BSD sockets, found by name. These are the real library calls of this lane's
// system-call table (platform/syscalls.h).
#pragma once

#include "platform/library.h"

namespace lumivox::platform {

// Only "ws2_32.dll" loads; nullptr for any other name.
LibraryHandle socket_library_load(const char* name);
void* socket_library_symbol(LibraryHandle library, const char* name);
// False for a handle that socket_library_load did not give.
bool socket_library_free(LibraryHandle library);

} // namespace lumivox::platform
