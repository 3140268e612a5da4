#include "platform/syscalls.h"

#include "platform/win32/file_open.h"
#include "platform/win32/object_name.h"

#include <string>
#include <windows.h>

namespace lumivox::platform {

namespace {

// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, which mingw's headers lack.
constexpr DWORD high_resolution_flag = 0x00000002;

HANDLE as_handle(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

uint32_t get_tick_count() {
    return static_cast<uint32_t>(GetTickCount());
}

int32_t read_file(FileHandle file, void* buffer, uint32_t n) {
    DWORD got = 0;
    if (!ReadFile(as_handle(file), buffer, n, &got, nullptr))
        return -1;
    return static_cast<int32_t>(got);
}

bool rewind_file(FileHandle file) {
    return SetFilePointer(as_handle(file), 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

void close_file(FileHandle file) {
    CloseHandle(as_handle(file));
}

LibraryHandle load_library_a(const char* name) {
    return reinterpret_cast<LibraryHandle>(LoadLibraryA(name));
}

void* get_proc_address(LibraryHandle library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

bool free_library_call(LibraryHandle library) {
    return FreeLibrary(static_cast<HMODULE>(library)) != FALSE;
}

bool map_shared_memory(const char* name, SharedView& view) {
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, TRUE, object_name(name).c_str());
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

void* create_high_resolution_timer() {
    return CreateWaitableTimerExW(nullptr, nullptr, high_resolution_flag, TIMER_ALL_ACCESS);
}

// Constant: the table is in use before any dynamic initialisation runs (the
// component makes its timer at load).
constexpr SystemCalls lane_calls = {
    .tick_count = &get_tick_count,
    .file_open = &open_file_for_reading,
    .file_read = &read_file,
    .file_rewind = &rewind_file,
    .file_close = &close_file,
    .library_load = &load_library_a,
    .library_symbol = &get_proc_address,
    .library_free = &free_library_call,
    .shared_memory_open = &map_shared_memory,
    .high_resolution_timer_create = &create_high_resolution_timer,
};

} // namespace

const SystemCalls real_calls = lane_calls;
constinit SystemCalls system_calls = lane_calls;

} // namespace lumivox::platform
