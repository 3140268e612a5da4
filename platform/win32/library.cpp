#include "platform/library.h"

#include "platform/syscalls.h"

namespace lumivox::platform {

LibraryHandle load_library(const char* name) {
    return system_calls.library_load(name);
}

void* library_symbol(LibraryHandle library, const char* name) {
    return system_calls.library_symbol(library, name);
}

void free_library(LibraryHandle library) {
    system_calls.library_free(library);
}

} // namespace lumivox::platform
