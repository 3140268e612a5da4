// Handing a block of bytes to another program's window as WM_COPYDATA, with a
// bounded wait for the window procedure's answer.
#pragma once

#include <cstdint>

namespace lumivox::platform {

// A window as a number, for every window the component names: the HWND on
// Windows; elsewhere a mascot host's window is the number of a local socket
// it listens on (see posix/window_socket.h).
using WindowHandle = uintptr_t;

// WM_COPYDATA with dwData data, cbData size and lpData bytes. True when the
// window procedure answered non-zero within timeout_ms; false when it
// answered 0, when there is no such window and when the wait ran out.
bool send_copy_data(WindowHandle window, uintptr_t data, const void* bytes, uint32_t size,
                    int timeout_ms);

} // namespace lumivox::platform
