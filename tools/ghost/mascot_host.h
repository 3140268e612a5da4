// A stand-in for the mascot host, the program that runs the ghosts. It
// publishes the shared memory "Sakura" (and "SakuraUnicode") that lists
// every ghost's windows, name and surfaces, owns two windows per ghost that
// take WM_COPYDATA (local sockets without a window system): the main one and
// the kero one, and records what every window receives. There is one host
// per process, as there is one mascot host per desktop.
#pragma once

#include "platform/window_message.h"
#include "tools/ghost/listing.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumivox::ghost {

struct GhostSpec {
    // UTF-8; "Sakura" lists it in the system code page.
    std::string name;
    // The ID that this ghost's entries share, as it stands; empty for one
    // made in the host's style of IDs.
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
    bool kero = false; // received by the ghost's kero window, not its main one
};

struct HostOptions {
    // Also "SakuraUnicode"; without it the host is an older one.
    bool unicode = true;
    IdStyle ids = IdStyle::ssp;
    // Surfaces change all the time, each change tearing the listing for a
    // moment under the writer lock (see listing_writer.h).
    bool rewrite_surfaces = true;
};

// Opens two windows per ghost, then publishes the listing: for each ghost in
// order its entries, "path", "hwnd", "name", "keroname", "sakura.surface",
// "kero.surface", "kerohwnd", "hwndlist", "ghostpath", "fullname",
// "modulestate". Stops a host already running and forgets earlier records.
// False, with nothing left running, on failure (a listing longer than the
// object, too).
bool host_start(const std::vector<GhostSpec>& ghosts, const HostOptions& options = {});

// The host vanishes: the shared memory is removed and the windows closed
// (a hanging window lets go first). The records stay until the next start.
void host_stop();

// Replaces the published "Sakura" with exactly these bytes (header
// included, the object sized to them), to show the component a listing that
// no mascot host would write; "SakuraUnicode" goes and surfaces stop
// changing. The windows stay. False when it could not be published.
bool publish_raw_image(const std::string& image);
// The same with "SakuraUnicode" too, holding its own bytes.
bool publish_raw_images(const std::string& sakura, const std::string& sakura_unicode);

// Takes both writer locks and keeps them, the listing whole and unchanged,
// until called with false or the host stops, as a host busy writing would.
// False when the locks could not be taken (no host running).
bool hold_listing_locks(bool hold);

platform::WindowHandle window_of(size_t ghost);
platform::WindowHandle kero_window_of(size_t ghost);
// The ID the ghost's entries share.
std::string entry_id(size_t ghost);
// For both of the ghost's windows.
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
