// Delivery over TCP to a ghost listening on 127.0.0.1:9801, through the
// Windows socket library loaded at run time.
#pragma once

#include "sstp/ghost_key.h"

#include <cstdint>

namespace lumivox {

// The transport's probe: loads "ws2_32.dll" and starts Winsock if not yet
// done. The ghost is not contacted and the key is ignored. 1 when the
// library is loaded (a handle truncated to int could read as 0 on 64-bit).
int tcp_load(const GhostKey* ghost_key);

// One connection, one request, one reply: 1 when the reply's status is 200.
// Connect, send and receive each give up after tcp_timeout_ms.
int tcp_deliver(char* buffer, int32_t length);

// The reading of the reply that tcp_deliver received into the request buffer
// (request_buffer_size bytes, received of them filled; negative for a failed
// receive): 1 when the status, the three bytes after "SSTP/1.1 ", reads 200.
// A reply shorter than 12 bytes fails. Writes a NUL at offset 12.
int sstp_reply_accepted(char* buffer, int received);

// WSACleanup and FreeLibrary when loaded; otherwise nothing.
void tcp_unload();

constexpr int tcp_timeout_ms = 2000;

} // namespace lumivox
