#include "sstp/tcp.h"

#include "base/text.h"
#include "platform/clock.h"
#include "platform/library.h"
#include "platform/net.h"
#include "sstp/hung_ghost.h"
#include "sstp/request.h"

namespace lumivox {

namespace {

using namespace platform;

LibraryHandle net_library = nullptr;
NetSocketFn net_socket = nullptr;
NetConnectFn net_connect = nullptr;
NetSendFn net_send = nullptr;
NetRecvFn net_recv = nullptr;
NetCloseFn net_close = nullptr;
// Resolved beside the five above to bound each exchange in time.
NetSetOptionFn net_set_option = nullptr;
NetGetOptionFn net_get_option = nullptr;
NetIoctlFn net_ioctl = nullptr;
NetSelectFn net_select = nullptr;

HungGhost hung_listener;

template <typename Function> Function resolve(const char* name) {
    return reinterpret_cast<Function>(library_symbol(net_library, name));
}

// 127.0.0.1:9801 in the 16-byte sockaddr_in layout.
constexpr unsigned char endpoint[16] = {2, 0, 0x26, 0x49, 127, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};

// A blocking connect to a ghost that never accepts could hold the caller
// (and the scheduler's lock) for as long as the system retries; connect
// without blocking and wait at most tcp_timeout_ms for the outcome.
bool connect_bounded(SocketHandle s) {
    unsigned long non_blocking = 1;
    if (net_ioctl(s, net_fionbio, &non_blocking) != 0)
        return false;
    if (net_connect(s, endpoint, sizeof endpoint) != 0) {
        NetSocketSet writable{1, {s}};
        NetSocketSet failed{1, {s}};
        NetTimeval timeout{tcp_timeout_ms / 1000, (tcp_timeout_ms % 1000) * 1000};
        if (net_select(0, nullptr, &writable, &failed, &timeout) <= 0)
            return false;
        if (writable.count != 1 || failed.count != 0)
            return false;
        int error = -1;
        int size = sizeof error;
        if (net_get_option(s, net_sol_socket, net_so_error, reinterpret_cast<char*>(&error),
                           &size) != 0 ||
            error != 0)
            return false;
    }
    unsigned long blocking = 0;
    if (net_ioctl(s, net_fionbio, &blocking) != 0)
        return false;
    uint32_t ms = tcp_timeout_ms;
    const char* value = reinterpret_cast<const char*>(&ms);
    return net_set_option(s, net_sol_socket, net_so_sndtimeo, value, sizeof ms) == 0 &&
           net_set_option(s, net_sol_socket, net_so_rcvtimeo, value, sizeof ms) == 0;
}

int exchange(SocketHandle s, char* buffer, int32_t length) {
    if (!connect_bounded(s))
        return 0;
    if (net_send(s, buffer, length, 0) != length)
        return 0;
    int received = net_recv(s, buffer, static_cast<int>(request_buffer_size), 0);
    return sstp_reply_accepted(buffer, received);
}

} // namespace

int sstp_reply_accepted(char* buffer, int received) {
    if (received < 12)
        return 0;
    // The status is the three bytes after "SSTP/1.1 "; the version is not read.
    buffer[12] = '\0';
    return parse_time_value(buffer + 9, 0) == 200 ? 1 : 0;
}

int tcp_load(const GhostKey*) {
    if (net_library != nullptr)
        return 1;
    net_library = load_library("ws2_32.dll");
    if (net_library == nullptr)
        return 0;
    net_socket = resolve<NetSocketFn>("socket");
    net_connect = resolve<NetConnectFn>("connect");
    net_send = resolve<NetSendFn>("send");
    net_recv = resolve<NetRecvFn>("recv");
    net_close = resolve<NetCloseFn>("closesocket");
    net_set_option = resolve<NetSetOptionFn>("setsockopt");
    net_get_option = resolve<NetGetOptionFn>("getsockopt");
    net_ioctl = resolve<NetIoctlFn>("ioctlsocket");
    net_select = resolve<NetSelectFn>("select");
    auto startup = resolve<NetStartupFn>("WSAStartup");
    // A library without these names is not a usable socket library.
    if (net_socket == nullptr || net_connect == nullptr || net_send == nullptr ||
        net_recv == nullptr || net_close == nullptr || net_set_option == nullptr ||
        net_get_option == nullptr || net_ioctl == nullptr || net_select == nullptr ||
        startup == nullptr) {
        free_library(net_library);
        net_library = nullptr;
        return 0;
    }
    alignas(8) unsigned char record[net_startup_record_size];
    startup(0x0002, record);
    return 1;
}

int tcp_deliver(char* buffer, int32_t length) {
    if (net_library == nullptr || ghost_still_hung(hung_listener, 0))
        return 0;
    SocketHandle s = net_socket(2, 1, 6);
    if (s == invalid_socket)
        return 0;
    uint32_t started = platform::tick_count();
    int result = exchange(s, buffer, length);
    net_close(s);
    note_delivery(hung_listener, 0, started, result != 0, tcp_timeout_ms);
    return result;
}

void tcp_unload() {
    // A library loaded afresh tries the ghost afresh.
    hung_listener.hung = false;
    if (net_library == nullptr)
        return;
    auto cleanup = resolve<NetCleanupFn>("WSACleanup");
    if (cleanup != nullptr)
        cleanup();
    free_library(net_library);
    net_library = nullptr;
}

bool tcp_loaded() {
    return net_library != nullptr;
}

} // namespace lumivox
