// How a "window" works without a window system: the mascot host listens on a
// local socket per window, in Linux's abstract namespace (nothing to clean up
// on disk), named from the window's number. One WM_COPYDATA message is one
// connection: the sender writes a CopyDataHeader and cbData bytes, the window
// answers with its procedure's result as one int64_t and closes. Both sides
// are on the same machine, so numbers travel in host byte order.
#pragma once

#include "platform/window_message.h"

#include <cstdint>
#include <sys/socket.h>
#include <sys/un.h>

namespace lumivox::platform {

struct CopyDataHeader {
    uint64_t data; // dwData
    uint32_t size; // cbData, the bytes that follow
    uint32_t reserved;
};

// The socket address of window; returns the address's length.
socklen_t window_socket_address(WindowHandle window, sockaddr_un& address);

} // namespace lumivox::platform
