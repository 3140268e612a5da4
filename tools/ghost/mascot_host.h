// A stand-in for the mascot host, the program that runs the ghosts. It
// publishes the shared memory "Sakura" that lists every ghost's window and
// name, owns one window per ghost that takes WM_COPYDATA (a local socket
// without a window system), and records what every window receives. There
// is one host per process, as there is one mascot host per desktop.
#pragma once

#include "platform/window_message.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumivox::ghost {

struct GhostSpec {
    std::string name;
    // The ID that this ghost's entries share (18 bytes in a well-formed
    // listing); empty for one made up from the ghost's place in the list.
    std::string id;
    // The "hwnd" value as listed; empty for the window's own number.
    std::string hwnd_text;
};

// How a ghost's window answers the messages that follow.
enum class WindowAnswer {
    accept, // 1
    reject, // 0
    hang,   // never: holds each message until told otherwise or stopped
};

struct CopyDataRecord {
    size_t ghost;      // place in the list given to host_start
    uint64_t data;     // dwData
    uint32_t size;     // cbData
    std::string bytes; // the cbData bytes
    uint32_t tick;     // platform tick when the window received it
};

// Opens one window per ghost, then publishes the listing: for each ghost in
// order its "hwnd" and "name" entries. Stops a host already running and
// forgets earlier records. False, with nothing left running, on failure.
bool host_start(const std::vector<GhostSpec>& ghosts);

// The host vanishes: the shared memory is removed and the windows closed
// (a hanging window lets go first). The records stay until the next start.
void host_stop();

// Replaces the published shared memory with exactly these bytes (header
// included), to show the component a listing that no mascot host would
// write. The windows stay. False when it could not be published.
bool publish_raw_image(const std::string& image);

// The listing host_start publishes for these windows: the 4-byte header
// (the image's size), the entries, a NUL.
std::string listing_image(const std::vector<GhostSpec>& ghosts,
                          const std::vector<platform::WindowHandle>& windows);

// The default entry ID of the ghost at this place: 18 bytes.
std::string default_entry_id(size_t ghost);

platform::WindowHandle window_of(size_t ghost);
void set_answer(size_t ghost, WindowAnswer answer);

std::vector<CopyDataRecord> received();
// Called on the window's thread for each message, with the answer about to
// be given (-1: none, the window hangs). Records can be turned off for long
// runs.
void set_listener(std::function<void(const CopyDataRecord& record, int64_t answer)> listener);
void set_keep_records(bool keep);
// Waits until at least n messages were received or timeout_ms passed.
bool wait_for_received(size_t n, int timeout_ms);

} // namespace lumivox::ghost
