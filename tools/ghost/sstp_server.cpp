#include "tools/ghost/sstp_server.h"

#include <chrono>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace lumivox::ghost {

namespace {

#ifdef _WIN32
using native_socket = SOCKET;
void close_socket(uintptr_t s) {
    closesocket(static_cast<SOCKET>(s));
}
bool readable_within(uintptr_t s, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(static_cast<SOCKET>(s), &set);
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &tv) > 0;
}
struct WinsockStarted {
    WinsockStarted() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};
#else
using native_socket = int;
void close_socket(uintptr_t s) {
    ::close(static_cast<int>(s));
}
bool readable_within(uintptr_t s, int ms) {
    pollfd fd{static_cast<int>(s), POLLIN, 0};
    return ::poll(&fd, 1, ms) > 0;
}
#endif

void send_all(uintptr_t s, const std::string& bytes) {
    if (!bytes.empty())
        ::send(static_cast<native_socket>(s), bytes.data(), static_cast<int>(bytes.size()), 0);
}

} // namespace

SstpServer::SstpServer() {
#ifdef _WIN32
    static WinsockStarted started;
#endif
    native_socket s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    int yes = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes), sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(9801);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s, 8) != 0) {
        close_socket(static_cast<uintptr_t>(s));
        return;
    }
    listener_ = static_cast<uintptr_t>(s);
    thread_ = std::thread([this] { serve(); });
}

SstpServer::~SstpServer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
    if (listener_ != invalid)
        close_socket(listener_);
}

void SstpServer::set_reply(std::string reply, ReplyMode mode, size_t split_at) {
    std::lock_guard<std::mutex> lock(mutex_);
    reply_ = std::move(reply);
    mode_ = mode;
    split_at_ = split_at;
}

void SstpServer::set_observer(
    std::function<void(const std::string& request, const std::string& reply)> f) {
    std::lock_guard<std::mutex> lock(mutex_);
    observer_ = std::move(f);
}

void SstpServer::set_keep_requests(bool keep) {
    std::lock_guard<std::mutex> lock(mutex_);
    keep_requests_ = keep;
}

std::vector<std::string> SstpServer::requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

bool SstpServer::wait_for_requests(size_t n, int timeout_ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                             [&] { return request_count_ >= n; });
}

void SstpServer::serve() {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_)
                return;
        }
        if (!readable_within(listener_, 50))
            continue;
        native_socket client = ::accept(static_cast<native_socket>(listener_), nullptr, nullptr);
        handle(static_cast<uintptr_t>(client));
        close_socket(static_cast<uintptr_t>(client));
    }
}

// A request ends with its empty line; a client that stops sending ends it too.
void SstpServer::handle(uintptr_t client) {
    std::string request;
    char chunk[4096];
    while (request.find("\r\n\r\n") == std::string::npos && readable_within(client, 3000)) {
        int n =
            static_cast<int>(::recv(static_cast<native_socket>(client), chunk, sizeof chunk, 0));
        if (n <= 0)
            break;
        request.append(chunk, static_cast<size_t>(n));
    }
    std::string reply;
    ReplyMode mode;
    size_t split_at;
    std::function<void(const std::string&, const std::string&)> observer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (keep_requests_)
            requests_.push_back(request);
        ++request_count_;
        reply = reply_;
        mode = mode_;
        split_at = split_at_;
        observer = observer_;
    }
    changed_.notify_all();
    if (observer)
        observer(request, mode == ReplyMode::reply || mode == ReplyMode::split ? reply : "");
    switch (mode) {
    case ReplyMode::reply:
        send_all(client, reply);
        break;
    case ReplyMode::split:
        send_all(client, reply.substr(0, split_at));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        send_all(client, reply.substr(split_at));
        break;
    case ReplyMode::close_silent:
        break;
    case ReplyMode::never_answer: {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return stopping_; });
        break;
    }
    }
}

} // namespace lumivox::ghost
