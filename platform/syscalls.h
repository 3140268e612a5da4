// The system calls that tests may replace. The platform layer makes each of
// these calls only through system_calls, which holds this lane's real calls
// (platform/<lane>/syscalls.cpp) until a test replaces one: to fail a read,
// to observe which files are opened, to start the tick counter near its wrap.
#pragma once

#include "platform/file.h"
#include "platform/library.h"
#include "platform/shared_memory.h"

#include <cstdint>
#include <type_traits>

namespace lumivox::platform {

struct SystemCalls {
    // GetTickCount, or CLOCK_MONOTONIC in milliseconds.
    uint32_t (*tick_count)();
    // uCreateFile for reading, or open(2) of a regular file; no_file on failure.
    FileHandle (*file_open)(const char* path);
    // ReadFile or read(2): the count read, 0 at the end, -1 on failure.
    int32_t (*file_read)(FileHandle file, void* buffer, uint32_t n);
    // SetFilePointer or lseek(2) back to offset 0; false on failure.
    bool (*file_rewind)(FileHandle file);
    // CloseHandle or close(2).
    void (*file_close)(FileHandle file);
    // LoadLibraryA, GetProcAddress and FreeLibrary; elsewhere the socket
    // library's substitute (see net.h).
    LibraryHandle (*library_load)(const char* name);
    void* (*library_symbol)(LibraryHandle library, const char* name);
    bool (*library_free)(LibraryHandle library);
    // Opens and maps a whole named shared-memory object; false, with nothing
    // left open, when there is none or it cannot be mapped.
    bool (*shared_memory_open)(const char* name, SharedView& view);
#ifdef _WIN32
    // CreateWaitableTimerExW for a high-resolution timer: its HANDLE, or
    // nullptr when the system refuses it.
    void* (*high_resolution_timer_create)();
#endif
};

// This lane's real calls.
extern const SystemCalls real_calls;
// What the platform layer calls. Changed only by the two functions below,
// and only while no other thread makes the call being changed.
extern SystemCalls system_calls;

// Replaces one entry, e.g. replace_call(&SystemCalls::file_read, &failing_read).
template <typename Call>
void replace_call(Call SystemCalls::*entry, std::type_identity_t<Call> replacement) {
    system_calls.*entry = replacement;
}

// Puts the real call back into every entry that a test replaced.
void restore_calls();

} // namespace lumivox::platform
