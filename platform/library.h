// Loading a library at run time and resolving its functions by name.
#pragma once

namespace lumivox::platform {

using LibraryHandle = void*;

// LoadLibraryA on Windows. Elsewhere only "ws2_32.dll" can be loaded: it
// stands for the BSD socket layer (see net.h), and every load is counted.
LibraryHandle load_library(const char* name);
// GetProcAddress; nullptr when the name is not there.
void* library_symbol(LibraryHandle library, const char* name);
// FreeLibrary.
void free_library(LibraryHandle library);

} // namespace lumivox::platform

namespace lumivox::platform {

// Successful loads and frees so far, on either lane: lets tests see that a
// library is loaded once and unloaded once.
int library_loads();
int library_frees();

} // namespace lumivox::platform
