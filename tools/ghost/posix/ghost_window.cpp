// Without a window system a ghost's window is a local socket, served by a
// thread of its own one message at a time, as a window's thread handles one
// message at a time.
#include "platform/posix/window_socket.h"
#include "tools/ghost/ghost_platform.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace lumivox::ghost {

namespace {

using Clock = std::chrono::steady_clock;

// A sender that stalls halfway through its message is dropped after this.
constexpr int read_timeout_ms = 2000;
// More than any request; a larger claim is not read.
constexpr uint32_t largest_message = 1u << 20;

struct WindowThread {
    platform::WindowHandle window;
    int listener;
    int wake[2];
    std::thread thread;
};

std::mutex threads_mutex;
std::vector<WindowThread> threads;
std::atomic<unsigned> serial{0};

// Numbers unique on the machine while this process lives: the process ID
// and a serial, within 31 bits so that they list as positive handles.
platform::WindowHandle next_window_number() {
    unsigned s = serial.fetch_add(1) % 1023u + 1u;
    auto pid = static_cast<unsigned>(getpid()) % (1u << 21);
    return static_cast<platform::WindowHandle>(pid * 1024u + s);
}

// Reads exactly size bytes unless the deadline passes or the window closes.
bool read_exact(int fd, int wake, char* bytes, size_t size, Clock::time_point deadline) {
    while (size > 0) {
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd fds[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
        int ready = poll(fds, 2, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0 || fds[1].revents != 0)
            return false;
        ssize_t got = read(fd, bytes, size);
        if (got <= 0)
            return false;
        bytes += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

void handle_message(size_t ghost, bool kero, int client, int wake) {
    auto deadline = Clock::now() + std::chrono::milliseconds(read_timeout_ms);
    platform::CopyDataHeader header{};
    if (!read_exact(client, wake, reinterpret_cast<char*>(&header), sizeof header, deadline) ||
        header.size > largest_message)
        return;
    std::vector<char> bytes(header.size);
    if (!read_exact(client, wake, bytes.data(), bytes.size(), deadline))
        return;
    int64_t answer = receive_copy_data(ghost, kero, header.data, bytes.data(), header.size);
    if (answer >= 0)
        send(client, &answer, sizeof answer, MSG_NOSIGNAL);
}

void serve(size_t ghost, bool kero, int listener, int wake) {
    for (;;) {
        pollfd fds[2] = {{listener, POLLIN, 0}, {wake, POLLIN, 0}};
        int ready = poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || fds[1].revents != 0)
            return;
        int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        handle_message(ghost, kero, client, wake);
        close(client);
    }
}

// Binds a listening socket under a free window number; 0 when none is found.
platform::WindowHandle bind_window(int listener) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        platform::WindowHandle window = next_window_number();
        sockaddr_un address{};
        socklen_t length = platform::window_socket_address(window, address);
        if (bind(listener, reinterpret_cast<const sockaddr*>(&address), length) == 0)
            return listen(listener, 64) == 0 ? window : 0;
        if (errno != EADDRINUSE)
            return 0;
    }
    return 0;
}

} // namespace

platform::WindowHandle open_ghost_window(size_t ghost, bool kero) {
    WindowThread w{0, -1, {-1, -1}, {}};
    w.listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (w.listener < 0)
        return 0;
    w.window = bind_window(w.listener);
    if (w.window == 0 || pipe2(w.wake, O_CLOEXEC) != 0) {
        close(w.listener);
        return 0;
    }
    w.thread = std::thread(serve, ghost, kero, w.listener, w.wake[0]);
    platform::WindowHandle window = w.window;
    std::lock_guard<std::mutex> lock(threads_mutex);
    threads.push_back(std::move(w));
    return window;
}

void close_ghost_window(platform::WindowHandle window) {
    WindowThread w{0, -1, {-1, -1}, {}};
    {
        std::lock_guard<std::mutex> lock(threads_mutex);
        for (auto it = threads.begin(); it != threads.end(); ++it) {
            if (it->window == window) {
                w = std::move(*it);
                threads.erase(it);
                break;
            }
        }
    }
    if (!w.thread.joinable())
        return;
    // The pipe is never read, so the thread sees it ready however often it looks.
    char wake = 'x';
    ssize_t written = write(w.wake[1], &wake, 1);
    (void)written;
    w.thread.join();
    close(w.listener);
    close(w.wake[0]);
    close(w.wake[1]);
}

} // namespace lumivox::ghost
