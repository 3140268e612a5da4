// The operations that go through the table of system calls, and putting
// the real calls back: the same on both lanes. Each lane's syscalls.cpp
// holds its real calls.
#include "platform/syscalls.h"

#include "platform/clock.h"

namespace lumivox::platform {

namespace {

// Writes only an entry that differs, so that restoring never races with
// another thread's use of an entry no test touched.
template <typename Call> void restore(Call SystemCalls::*entry) {
    if (system_calls.*entry != real_calls.*entry)
        system_calls.*entry = real_calls.*entry;
}

constexpr uint32_t max_read = 0x7FFFFFFFu;

} // namespace

uint32_t tick_count() {
    return system_calls.tick_count();
}

// Windows shares the file for reading only; POSIX has no mandatory share
// modes, so a writer may still change the file between the passes. The loader does not rely on both
// passes seeing the same bytes for its safety, only for a meaningful result.
FileHandle file_open_read(const char* path) {
    return system_calls.file_open(path);
}

int32_t file_read(FileHandle file, void* buffer, uint32_t n) {
    if (n > max_read)
        n = max_read; // the count must fit the signed result
    return system_calls.file_read(file, buffer, n);
}

bool file_rewind(FileHandle file) {
    return system_calls.file_rewind(file);
}

void file_close(FileHandle file) {
    system_calls.file_close(file);
}

LibraryHandle load_library(const char* name) {
    return system_calls.library_load(name);
}

void* library_symbol(LibraryHandle library, const char* name) {
    return system_calls.library_symbol(library, name);
}

void free_library(LibraryHandle library) {
    system_calls.library_free(library);
}

bool shared_memory_open(const char* name, SharedView& view) {
    view = SharedView{};
    if (system_calls.shared_memory_open(name, view))
        return true;
    view = SharedView{};
    return false;
}

void restore_calls() {
#define LUMIVOX_CALL_RESTORE(name, result, parameters) restore(&SystemCalls::name);
    LUMIVOX_SYSTEM_CALLS(LUMIVOX_CALL_RESTORE)
#undef LUMIVOX_CALL_RESTORE
}

} // namespace lumivox::platform
