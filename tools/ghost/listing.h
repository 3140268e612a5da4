// The text a mascot host lists in its shared memory: for each ghost, entries
// "ID.key<0x01>value<CR><LF>" under an ID that all the ghost's entries
// share, in a fixed order of keys, the surfaces changing as the ghost changes
// expression.
#pragma once

#include "platform/window_message.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumivox::ghost {

// The objects are this large whatever the text; the header holds this size,
// then the text starts, and a NUL ends it.
constexpr size_t listing_object_size = 0x10000;
constexpr size_t listing_header_size = 4;
constexpr size_t listing_text_max = listing_object_size - listing_header_size - 1;

// How a host makes its IDs: "ssp_fmo_header_", its process ID, "_", the
// ghost's window (32 bytes); 32 hex digits; a UUID (36 bytes).
enum class IdStyle { ssp, hex32, long36 };

// The ID of the ghost whose main window this is. The last 18 bytes differ
// between two windows in every style.
std::string make_entry_id(IdStyle style, uint32_t process, platform::WindowHandle window);

// A window number as listed: the signed 32-bit number it is.
std::string window_text(platform::WindowHandle window);

// One ghost's values as an object lists them, in that object's code page.
struct ListedGhost {
    std::string id;
    std::string hwnd;
    std::string name;
    std::string keroname;
    std::string kerohwnd;
    std::string hwndlist;
};

// The text of round `round` (without its NUL): every ghost's entries in
// order, its surfaces those the round gives it. Rounds differ in the
// surfaces' lengths, so that a rewrite shifts every later entry.
std::string listing_text(const std::vector<ListedGhost>& ghosts, size_t round);

// The length of the longest text any round makes.
size_t longest_listing_text(const std::vector<ListedGhost>& ghosts);

// The folder the host lists as its own, with its separator at the end.
std::string host_path();

} // namespace lumivox::ghost
