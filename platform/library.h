// Loading a library at run time and resolving its functions by name.
#pragma once

namespace lumivox::platform {

using LibraryHandle = void*;

// LoadLibraryA on Windows. Elsewhere only "ws2_32.dll" can be loaded: it
// stands for the BSD socket layer (see net.h).
LibraryHandle load_library(const char* name);
// GetProcAddress; nullptr when the name is not there.
void* library_symbol(LibraryHandle library, const char* name);
// FreeLibrary.
void free_library(LibraryHandle library);

} // namespace lumivox::platform
