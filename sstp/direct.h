// Delivery straight to the ghost's window, found in the listings that the
// mascot host publishes as shared memory ("SakuraUnicode" in UTF-8 and
// "Sakura" in the system code page): a WM_COPYDATA message per request.
#pragma once

#include "base/lead_bytes.h"
#include "platform/window_message.h"
#include "sstp/ghost_key.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace lumivox {

// The target ghost's window; 0 when none. Set by a successful probe, cleared
// by a failed probe without a key and by a failed delivery.
extern std::atomic<platform::WindowHandle> ghost_window;

// Without a key, takes the first ghost listed in "Sakura"; with a key, the
// ghost of that name: looked up in "SakuraUnicode" by the key's UTF-8 text
// where that listing exists, otherwise in "Sakura" by its system text. Each
// listing is copied under its writer's lock (waiting at most
// listing_lock_wait_ms). 1 when a window was found and stored. A failed
// probe with a key leaves ghost_window as it was.
int direct_probe(const GhostKey* ghost_key);

// The probe's search over a listing image of size bytes as the shared memory
// holds it (the 4-byte header, then the text), with or without a name key
// (".name", 0x01, the name, CR). The name matches byte for byte, ASCII
// letters ignoring case except as the second byte of a two-byte character
// (lead tells those, nullptr for UTF-8). 1 with window set when a window
// entry was found; 0 with window untouched otherwise. Reads no byte outside
// the image, whatever it holds.
int find_ghost_window(const char* image, size_t size, const char* name_key, LeadBytes lead,
                      platform::WindowHandle& window);

// Sends the request (length bytes, without NUL) to ghost_window with dwData
// 9801. 1 when the window accepted it; otherwise 0, and the window is
// forgotten.
int direct_deliver(char* buffer, int32_t length);

// The longest a delivery waits for the ghost; a time-out is a refusal.
constexpr int direct_timeout_ms = 2000;

// The longest a probe waits for a listing's lock before reading without it.
constexpr uint32_t listing_lock_wait_ms = 100;

// dwData of every request.
constexpr uintptr_t direct_copy_data_id = 9801;

} // namespace lumivox
