#include "tools/ghost/ghost_platform.h"

#include <string>
#include <windows.h>

namespace lumivox::ghost {

namespace {

std::wstring wide_name(const char* name) {
    return std::wstring(name, name + std::char_traits<char>::length(name));
}

} // namespace

// The host keeps the one handle that keeps the mapping alive.
bool object_publish(const char* name, size_t size, SharedObject& object) {
    object_withdraw(name, object);
    if (size == 0)
        return false;
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        static_cast<DWORD>(size), wide_name(name).c_str());
    if (mapping == nullptr)
        return false;
    // Someone else still holds an older object of this name, with its own size.
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mapping);
        return false;
    }
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    if (view == nullptr) {
        CloseHandle(mapping);
        return false;
    }
    object.view = static_cast<char*>(view);
    object.size = size;
    object.handle = reinterpret_cast<uintptr_t>(mapping);
    return true;
}

void object_withdraw(const char*, SharedObject& object) {
    if (object.view != nullptr)
        UnmapViewOfFile(object.view);
    if (object.handle != 0)
        CloseHandle(reinterpret_cast<HANDLE>(object.handle));
    object = SharedObject{};
}

} // namespace lumivox::ghost
