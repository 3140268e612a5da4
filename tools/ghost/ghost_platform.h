// The parts of the stand-in mascot host that differ between Windows and
// POSIX: publishing the shared memory and running the ghosts' windows.
#pragma once

#include "platform/window_message.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumivox::ghost {

// Publishes image as the shared memory "Sakura", replacing an earlier one.
bool publish_shared_memory(const std::string& image);
void withdraw_shared_memory();

// Opens a window for the ghost at this place on its own thread; 0 on
// failure. Its messages go to receive_copy_data.
platform::WindowHandle open_ghost_window(size_t ghost);
// Closes the window and waits for its thread to end.
void close_ghost_window(platform::WindowHandle window);

// Called on a window's thread for each message it receives. Returns the
// window procedure's answer, or -1 when the message must never be answered.
int64_t receive_copy_data(size_t ghost, uint64_t data, const char* bytes, uint32_t size);

} // namespace lumivox::ghost
