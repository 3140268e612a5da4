#include "platform/window_message.h"
#include "platform/posix/window_socket.h"

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace lumivox::platform {

namespace {

using Clock = std::chrono::steady_clock;

int remaining_ms(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits until fd is ready for events or the deadline passes.
bool wait_ready(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        int ready = poll(&p, 1, remaining_ms(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

bool send_all(int fd, const char* bytes, size_t size, Clock::time_point deadline) {
    while (size > 0) {
        ssize_t sent = send(fd, bytes, size, MSG_NOSIGNAL);
        if (sent > 0) {
            bytes += sent;
            size -= static_cast<size_t>(sent);
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!wait_ready(fd, POLLOUT, deadline))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

bool receive_all(int fd, char* bytes, size_t size, Clock::time_point deadline) {
    while (size > 0) {
        ssize_t got = recv(fd, bytes, size, 0);
        if (got > 0) {
            bytes += got;
            size -= static_cast<size_t>(got);
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!wait_ready(fd, POLLIN, deadline))
                return false;
        } else {
            return false; // closed without an answer, or an error
        }
    }
    return true;
}

bool exchange(int fd, WindowHandle window, uintptr_t data, const void* bytes, uint32_t size,
              Clock::time_point deadline) {
    sockaddr_un address{};
    socklen_t length = window_socket_address(window, address);
    // A full backlog means the window is not taking messages: as a hung
    // window, it counts as a refusal rather than a wait.
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0)
        return false;
    CopyDataHeader header{data, size, 0};
    if (!send_all(fd, reinterpret_cast<const char*>(&header), sizeof header, deadline) ||
        !send_all(fd, static_cast<const char*>(bytes), size, deadline))
        return false;
    int64_t answer = 0;
    if (!receive_all(fd, reinterpret_cast<char*>(&answer), sizeof answer, deadline))
        return false;
    return answer != 0;
}

} // namespace

socklen_t window_socket_address(WindowHandle window, sockaddr_un& address) {
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    // The leading NUL puts the name in the abstract namespace.
    int written =
        std::snprintf(address.sun_path + 1, sizeof address.sun_path - 1, "lumivox-window-%lld",
                      static_cast<long long>(static_cast<intptr_t>(window)));
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + written);
}

bool send_copy_data(WindowHandle window, uintptr_t data, const void* bytes, uint32_t size,
                    int timeout_ms) {
    if (window == 0)
        return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    bool accepted = exchange(fd, window, data, bytes, size, deadline);
    close(fd);
    return accepted;
}

} // namespace lumivox::platform
