// Delivery straight to the ghost's window, found in the shared memory "Sakura"
// that the mascot host publishes: a WM_COPYDATA message per request.
#pragma once

#include "platform/window_message.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace lumivox {

// The target ghost's window; 0 when none. Set by a successful probe, cleared
// by a failed probe without a key and by a failed delivery.
extern std::atomic<platform::WindowHandle> ghost_window;

// Without a key, takes the first ghost listed; with a ghost key (".name",
// 0x01, the name, CR) the ghost of that name. 1 when a window was found and
// stored. A failed probe with a key leaves ghost_window as it was.
int direct_probe(const char* ghost_key);

// The probe's search over a listing image of size bytes as the shared memory
// holds it (the 4-byte header, then the text), with or without a ghost key.
// 1 with window set when a window entry was found; 0 with window untouched
// otherwise. Reads no byte outside the image, whatever it holds.
int find_ghost_window(const char* image, size_t size, const char* ghost_key,
                      platform::WindowHandle& window);

// Sends the request (length bytes, without NUL) to ghost_window with dwData
// 9801. 1 when the window accepted it; otherwise 0, and the window is
// forgotten.
int direct_deliver(char* buffer, int32_t length);

// The longest a delivery waits for the ghost; a time-out is a refusal.
constexpr int direct_timeout_ms = 2000;

// dwData of every request.
constexpr uintptr_t direct_copy_data_id = 9801;

} // namespace lumivox
