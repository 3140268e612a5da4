#include "tools/ghost/ghost_platform.h"

#include <cstring>
#include <windows.h>

namespace lumivox::ghost {

namespace {
// The host keeps the one handle that keeps the mapping alive.
HANDLE published = nullptr;
} // namespace

bool publish_shared_memory(const std::string& image) {
    withdraw_shared_memory();
    if (image.empty())
        return false;
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        static_cast<DWORD>(image.size()), L"Sakura");
    if (mapping == nullptr)
        return false;
    // Someone else still holds an older "Sakura", with its own size.
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mapping);
        return false;
    }
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    if (view == nullptr) {
        CloseHandle(mapping);
        return false;
    }
    std::memcpy(view, image.data(), image.size());
    UnmapViewOfFile(view);
    published = mapping;
    return true;
}

void withdraw_shared_memory() {
    if (published != nullptr)
        CloseHandle(published);
    published = nullptr;
}

} // namespace lumivox::ghost
