// Without a dynamic socket library to load, "ws2_32.dll" is a name table of
// Winsock-shaped functions over BSD sockets. Loading it always succeeds.
#include "platform/posix/socket_library.h"
#include "platform/library.h"
#include "platform/net.h"
#include "platform/syscalls.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lumivox::platform {

namespace {

int library_token = 0;

int as_fd(SocketHandle s) {
    return static_cast<int>(s);
}

SocketHandle net_socket(int family, int type, int protocol) {
    int fd = ::socket(family == 2 ? AF_INET : family, type == 1 ? SOCK_STREAM : type,
                      protocol == 6 ? IPPROTO_TCP : protocol);
    return fd < 0 ? invalid_socket : static_cast<SocketHandle>(fd);
}

// The address arrives in Winsock's 16-byte layout, which matches the family,
// port and address fields of the BSD sockaddr_in except for the family's width.
int net_connect(SocketHandle s, const void* address, int length) {
    if (length < 8)
        return -1;
    const auto* bytes = static_cast<const unsigned char*>(address);
    sockaddr_in in{};
    in.sin_family = static_cast<sa_family_t>(bytes[0] | (bytes[1] << 8));
    std::memcpy(&in.sin_port, bytes + 2, 2);
    std::memcpy(&in.sin_addr, bytes + 4, 4);
    return ::connect(as_fd(s), reinterpret_cast<const sockaddr*>(&in), sizeof in) == 0 ? 0 : -1;
}

int net_send(SocketHandle s, const char* data, int length, int flags) {
    return static_cast<int>(
        ::send(as_fd(s), data, static_cast<size_t>(length), flags | MSG_NOSIGNAL));
}

int net_recv(SocketHandle s, char* data, int length, int flags) {
    return static_cast<int>(::recv(as_fd(s), data, static_cast<size_t>(length), flags));
}

int net_close(SocketHandle s) {
    return ::close(as_fd(s));
}

int net_startup(uint16_t, void* data) {
    std::memset(data, 0, net_startup_record_size);
    return 0;
}

int net_cleanup() {
    return 0;
}

int net_set_option(SocketHandle s, int level, int name, const char* value, int length) {
    if (level != net_sol_socket || (name != net_so_sndtimeo && name != net_so_rcvtimeo) ||
        length != 4)
        return -1;
    uint32_t ms = 0;
    std::memcpy(&ms, value, 4);
    timeval tv{static_cast<time_t>(ms / 1000u), static_cast<suseconds_t>((ms % 1000u) * 1000u)};
    int option = name == net_so_sndtimeo ? SO_SNDTIMEO : SO_RCVTIMEO;
    return ::setsockopt(as_fd(s), SOL_SOCKET, option, &tv, sizeof tv) == 0 ? 0 : -1;
}

int net_get_option(SocketHandle s, int level, int name, char* value, int* length) {
    if (level != net_sol_socket || name != net_so_error || *length < 4)
        return -1;
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(as_fd(s), SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        return -1;
    std::memcpy(value, &error, 4);
    *length = 4;
    return 0;
}

int net_ioctl(SocketHandle s, long command, unsigned long* argument) {
    if (command != net_fionbio)
        return -1;
    int flags = ::fcntl(as_fd(s), F_GETFL);
    flags = *argument != 0 ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(as_fd(s), F_SETFL, flags) == 0 ? 0 : -1;
}

// Winsock reports a failed connection in the "failed" set and a completed
// one in the "writable" set; poll's error and hang-up bits map to the former.
int net_select(int, NetSocketSet* readable, NetSocketSet* writable, NetSocketSet* failed,
               const NetTimeval* timeout) {
    // The transport asks about one socket at a time.
    NetSocketSet* sets[3] = {readable, writable, failed};
    pollfd fd{-1, POLLIN | POLLOUT, 0};
    for (NetSocketSet* set : sets) {
        if (set != nullptr && set->count > 0)
            fd.fd = as_fd(set->sockets[0]);
    }
    if (fd.fd < 0)
        return 0;
    int ms = timeout == nullptr ? -1 : timeout->seconds * 1000 + timeout->microseconds / 1000;
    int ready = ::poll(&fd, 1, ms);
    short events = ready > 0 ? fd.revents : 0;
    bool error = (events & (POLLERR | POLLHUP)) != 0;
    int reported = 0;
    auto report = [&reported](NetSocketSet* set, bool on) {
        if (set == nullptr)
            return;
        set->count = on ? 1 : 0;
        reported += on ? 1 : 0;
    };
    report(readable, (events & POLLIN) != 0);
    report(writable, (events & POLLOUT) != 0 && !error);
    report(failed, error);
    return ready < 0 ? -1 : reported;
}

struct Export {
    const char* name;
    void* function;
};

void* as_pointer(auto function) {
    return reinterpret_cast<void*>(function);
}

const Export socket_library[] = {
    {"socket", as_pointer(&net_socket)},
    {"connect", as_pointer(&net_connect)},
    {"send", as_pointer(&net_send)},
    {"recv", as_pointer(&net_recv)},
    {"closesocket", as_pointer(&net_close)},
    {"WSAStartup", as_pointer(&net_startup)},
    {"WSACleanup", as_pointer(&net_cleanup)},
    {"setsockopt", as_pointer(&net_set_option)},
    {"getsockopt", as_pointer(&net_get_option)},
    {"ioctlsocket", as_pointer(&net_ioctl)},
    {"select", as_pointer(&net_select)},
};

} // namespace

LibraryHandle socket_library_load(const char* name) {
    return std::strcmp(name, "ws2_32.dll") == 0 ? &library_token : nullptr;
}

void* socket_library_symbol(LibraryHandle library, const char* name) {
    if (library != &library_token)
        return nullptr;
    for (const Export& e : socket_library) {
        if (std::strcmp(e.name, name) == 0)
            return e.function;
    }
    return nullptr;
}

bool socket_library_free(LibraryHandle library) {
    return library == &library_token;
}

} // namespace lumivox::platform
