#include "platform/shared_memory.h"

#include <atomic>
#include <string>
#include <windows.h>

namespace lumivox::platform {

namespace {
std::atomic<int> opens{0};

// Object names are plain ASCII.
std::wstring widen(const char* name) {
    std::wstring wide;
    for (const char* p = name; *p != '\0'; ++p)
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
    return wide;
}
} // namespace

bool shared_memory_open(const char* name, SharedView& view) {
    ++opens;
    view = SharedView{};
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, TRUE, widen(name).c_str());
    if (mapping == nullptr)
        return false;
    void* base = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (base == nullptr) {
        CloseHandle(mapping);
        return false;
    }
    // The view covers whole pages; the region's size is what may be read.
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(base, &info, sizeof info) == 0) {
        UnmapViewOfFile(base);
        CloseHandle(mapping);
        return false;
    }
    view.data = static_cast<const char*>(base);
    view.size = info.RegionSize;
    view.handle = reinterpret_cast<uintptr_t>(mapping);
    return true;
}

void shared_memory_close(SharedView& view) {
    if (view.data != nullptr)
        UnmapViewOfFile(view.data);
    if (view.handle != 0)
        CloseHandle(reinterpret_cast<HANDLE>(view.handle));
    view = SharedView{};
}

int shared_memory_opens() {
    return opens.load();
}

} // namespace lumivox::platform
