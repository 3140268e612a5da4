// The lane-independent half of the page driver: the instance the player
// holds and the callback it hands in. The lane's driver creates and destroys
// the host window around these.
#pragma once

#include "tools/host/page_driver.h"

namespace lumivox::tools {

// The page's window under parent, opened as protocol says; null with a
// message (and nothing left open) when the page gives none.
window_handle open_page_window(preferences_page* service, window_handle parent,
                               PageProtocol protocol, std::string& error);
// When the page's window was destroyed, and the release that follows.
void page_window_destroyed();
void release_page_instance();

} // namespace lumivox::tools
