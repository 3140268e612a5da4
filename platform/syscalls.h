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

// Every system call that tests may replace, once: CALL(name, result,
// (parameters)). The table's entries, the check that each lane's table
// fills them all and the restore are made from it, so that a new call needs
// this line and each lane's function.
//   tick_count: GetTickCount, or CLOCK_MONOTONIC in milliseconds.
//   file_open: uCreateFile for reading, or open(2) of a regular file;
//     no_file on failure.
//   file_read: ReadFile or read(2): the count read, 0 at the end, -1 on
//     failure.
//   file_rewind: SetFilePointer or lseek(2) back to offset 0; false on
//     failure.
//   file_close: CloseHandle or close(2).
//   library_load, library_symbol, library_free: LoadLibraryA,
//     GetProcAddress and FreeLibrary; elsewhere the socket library's
//     substitute (see net.h).
//   shared_memory_open: opens and maps a whole named shared-memory object;
//     false, with nothing left open, when there is none or it cannot be
//     mapped.
//   high_resolution_timer_create (Windows): CreateWaitableTimerExW for a
//     high-resolution timer: its HANDLE, or nullptr when the system refuses.
#define LUMIVOX_COMMON_CALLS(CALL)                                                                 \
    CALL(tick_count, uint32_t, ())                                                                 \
    CALL(file_open, FileHandle, (const char* path))                                                \
    CALL(file_read, int32_t, (FileHandle file, void* buffer, uint32_t n))                          \
    CALL(file_rewind, bool, (FileHandle file))                                                     \
    CALL(file_close, void, (FileHandle file))                                                      \
    CALL(library_load, LibraryHandle, (const char* name))                                          \
    CALL(library_symbol, void*, (LibraryHandle library, const char* name))                         \
    CALL(library_free, bool, (LibraryHandle library))                                              \
    CALL(shared_memory_open, bool, (const char* name, SharedView& view))
#ifdef _WIN32
#define LUMIVOX_SYSTEM_CALLS(CALL)                                                                 \
    LUMIVOX_COMMON_CALLS(CALL)                                                                     \
    CALL(high_resolution_timer_create, void*, ())
#else
#define LUMIVOX_SYSTEM_CALLS(CALL) LUMIVOX_COMMON_CALLS(CALL)
#endif

struct SystemCalls {
#define LUMIVOX_CALL_ENTRY(name, result, parameters) result(*name) parameters;
    LUMIVOX_SYSTEM_CALLS(LUMIVOX_CALL_ENTRY)
#undef LUMIVOX_CALL_ENTRY
};

// Whether a table fills every entry (the tests check each lane's).
inline bool fills_every_call(const SystemCalls& calls) {
#define LUMIVOX_CALL_SET(name, result, parameters) calls.name != nullptr&&
    return LUMIVOX_SYSTEM_CALLS(LUMIVOX_CALL_SET) true;
#undef LUMIVOX_CALL_SET
}

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
