#include "platform/library.h"

#include <atomic>
#include <windows.h>

namespace lumivox::platform {

namespace {
std::atomic<int> loads{0};
std::atomic<int> frees{0};
} // namespace

LibraryHandle load_library(const char* name) {
    HMODULE module = LoadLibraryA(name);
    if (module != nullptr)
        ++loads;
    return reinterpret_cast<LibraryHandle>(module);
}

void* library_symbol(LibraryHandle library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void free_library(LibraryHandle library) {
    if (FreeLibrary(static_cast<HMODULE>(library)))
        ++frees;
}

int library_loads() {
    return loads.load();
}
int library_frees() {
    return frees.load();
}

} // namespace lumivox::platform
