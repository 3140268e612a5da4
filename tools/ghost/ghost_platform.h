// The parts of the stand-in mascot host that differ between Windows and
// POSIX: the shared-memory objects and their writer locks, the ghosts'
// windows, and what the host asks of the system.
#pragma once

#include "platform/window_message.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumivox::ghost {

// A named shared-memory object the host writes: a file mapping on Windows,
// a POSIX shared-memory object ("/Sakura") elsewhere.
struct SharedObject {
    char* view = nullptr;
    size_t size = 0;
    uintptr_t handle = 0;
};

// Creates the object called name ("Sakura"), size bytes, all zero, mapped
// for writing, in place of an earlier one of this host. False, with nothing
// left open, when it cannot be made.
bool object_publish(const char* name, size_t size, SharedObject& object);
// Removes the object from view and from its name.
void object_withdraw(const char* name, SharedObject& object);

// The lock a writer of an object holds while it writes ("SakuraFMO"): a named
// mutex on Windows, a named semaphore of value 1 elsewhere. 0 when it cannot
// be made.
uintptr_t writer_lock_open(const char* name);
void writer_lock_close(const char* name, uintptr_t lock);
// Waits at most timeout_ms for the lock. On Windows only the thread that
// took it may release it.
bool writer_lock_take(uintptr_t lock, int timeout_ms);
void writer_lock_release(uintptr_t lock);

uint32_t host_process_id();
// UTF-8 text as the system's ANSI code page holds it: characters it lacks
// turn into its default character. Unchanged where the code page is UTF-8.
std::string to_system_code_page(const std::string& utf8);

// Opens a window for the ghost at this place on its own thread, its main
// window or its kero window; 0 on failure. Its messages go to
// receive_copy_data.
platform::WindowHandle open_ghost_window(size_t ghost, bool kero);
// Closes the window and waits for its thread to end.
void close_ghost_window(platform::WindowHandle window);

// Called on a window's thread for each message it receives. Returns the
// window procedure's answer, or -1 when the message must never be answered.
int64_t receive_copy_data(size_t ghost, bool kero, uint64_t data, const char* bytes, uint32_t size);

} // namespace lumivox::ghost
