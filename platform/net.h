// The shapes of the Windows socket library's functions, as the TCP transport
// resolves them by name from "ws2_32.dll". On Windows these are Winsock's own;
// elsewhere the platform layer supplies functions of the same shapes and
// constants over BSD sockets, so the transport is written once.
#pragma once

#include <cstdint>

#ifdef _WIN32
#define LUMIVOX_NETAPI __stdcall
#else
#define LUMIVOX_NETAPI
#endif

namespace lumivox::platform {

using SocketHandle = uintptr_t;
constexpr SocketHandle invalid_socket = ~static_cast<SocketHandle>(0);

// Winsock's constants: the substitute translates them.
constexpr int net_sol_socket = 0xFFFF;
constexpr int net_so_sndtimeo = 0x1005;
constexpr int net_so_rcvtimeo = 0x1006;
constexpr int net_so_error = 0x1007;
constexpr long net_fionbio = static_cast<long>(0x8004667EL);

// Winsock's fd_set with room for one socket: a count, then the sockets.
struct NetSocketSet {
    uint32_t count;
    SocketHandle sockets[1];
};

// Winsock's timeval: two 32-bit longs.
struct NetTimeval {
    int32_t seconds;
    int32_t microseconds;
};

using NetSocketFn = SocketHandle(LUMIVOX_NETAPI*)(int family, int type, int protocol);
using NetConnectFn = int(LUMIVOX_NETAPI*)(SocketHandle s, const void* address, int length);
using NetSendFn = int(LUMIVOX_NETAPI*)(SocketHandle s, const char* data, int length, int flags);
using NetRecvFn = int(LUMIVOX_NETAPI*)(SocketHandle s, char* data, int length, int flags);
using NetCloseFn = int(LUMIVOX_NETAPI*)(SocketHandle s);
using NetStartupFn = int(LUMIVOX_NETAPI*)(uint16_t version, void* data);
using NetCleanupFn = int(LUMIVOX_NETAPI*)();
using NetSetOptionFn = int(LUMIVOX_NETAPI*)(SocketHandle s, int level, int name, const char* value,
                                            int length);
using NetGetOptionFn = int(LUMIVOX_NETAPI*)(SocketHandle s, int level, int name, char* value,
                                            int* length);
using NetIoctlFn = int(LUMIVOX_NETAPI*)(SocketHandle s, long command, unsigned long* argument);
using NetSelectFn = int(LUMIVOX_NETAPI*)(int unused, NetSocketSet* readable, NetSocketSet* writable,
                                         NetSocketSet* failed, const NetTimeval* timeout);

// Size of Winsock's WSADATA record on either word size, rounded up.
constexpr int net_startup_record_size = 512;

} // namespace lumivox::platform
