#include "tests/support/lrclib_standin.h"

#include <chrono>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using socket_length = int;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using socket_length = socklen_t;
#endif

namespace lumivox::test {

namespace {

#ifdef _WIN32
using Socket = SOCKET;
void close_socket(Socket s) {
    closesocket(s);
}
// Waits at most ms for s to be readable.
bool readable(Socket s, int ms) {
    WSAPOLLFD fd{s, POLLRDNORM, 0};
    return WSAPoll(&fd, 1, ms) > 0;
}
struct Winsock {
    Winsock() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
} winsock;
#else
using Socket = int;
void close_socket(Socket s) {
    close(s);
}
bool readable(Socket s, int ms) {
    pollfd fd{s, POLLIN, 0};
    return poll(&fd, 1, ms) > 0;
}
#endif

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out + "\"";
}

std::string answer_json(const std::string& synced, const std::string& plain, bool instrumental) {
    return "{\"id\":3396226,\"trackName\":\"T\",\"artistName\":\"A\",\"albumName\":\"B\","
           "\"duration\":233.0,\"instrumental\":" +
           std::string(instrumental ? "true" : "false") +
           ",\"plainLyrics\":" + (plain.empty() ? "null" : json_string(plain)) +
           ",\"syncedLyrics\":" + (synced.empty() ? "null" : json_string(synced)) + "}";
}

int hex_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string decoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 &&
            hex_value(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
            i += 2;
        } else {
            out += text[i] == '+' ? ' ' : text[i];
        }
    }
    return out;
}

std::map<std::string, std::string> query_of(const std::string& target) {
    std::map<std::string, std::string> query;
    size_t at = target.find('?');
    while (at != std::string::npos) {
        size_t end = target.find('&', at + 1);
        std::string pair = target.substr(at + 1, end == std::string::npos ? end : end - at - 1);
        size_t eq = pair.find('=');
        if (eq != std::string::npos)
            query[decoded(pair.substr(0, eq))] = decoded(pair.substr(eq + 1));
        at = end;
    }
    return query;
}

std::string header_value(const std::string& head, const std::string& name) {
    size_t at = 0;
    while ((at = head.find("\r\n", at)) != std::string::npos) {
        at += 2;
        if (head.size() - at > name.size() && head.compare(at, name.size(), name) == 0 &&
            head[at + name.size()] == ':') {
            size_t start = head.find_first_not_of(' ', at + name.size() + 1);
            size_t end = head.find("\r\n", at);
            return head.substr(start, end - start);
        }
    }
    return "";
}

const char* reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    default:
        return "Internal Server Error";
    }
}

void send_all(Socket s, const std::string& bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
        int n =
            static_cast<int>(::send(s, bytes.data() + at, static_cast<int>(bytes.size() - at), 0));
        if (n <= 0)
            return;
        at += static_cast<size_t>(n);
    }
}

} // namespace

StandinReply lrclib_found(const std::string& synced_lyrics) {
    return {200, answer_json(synced_lyrics, "words without times", false)};
}
StandinReply lrclib_not_found() {
    return {404, "{\"code\":404,\"name\":\"TrackNotFound\",\"message\":\"Failed to find "
                 "specified track\"}"};
}
StandinReply lrclib_instrumental() {
    return {200, answer_json("", "", true)};
}
StandinReply lrclib_plain_only() {
    return {200, answer_json("", "Words without times\nand more words", false)};
}
StandinReply lrclib_malformed() {
    return {200, "{\"syncedLyrics\":\"[00:01.00]cut off"};
}
StandinReply lrclib_over_limit() {
    std::string synced;
    while (synced.size() <= 1024 * 1024)
        synced += "[00:01.00]A line that is sung at one second, again and again\n";
    std::string body = answer_json(synced, "", false);
    return {200, body};
}
StandinReply lrclib_server_error() {
    return {500, "Internal Server Error"};
}
StandinReply lrclib_slow(StandinReply reply, int delay_ms) {
    reply.delay_ms = delay_ms;
    return reply;
}

LrclibStandin::LrclibStandin() {
    Socket s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = 0;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socket_length size = sizeof address;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s, 16) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        close_socket(s);
        return;
    }
    port_ = ntohs(address.sin_port);
    listener_ = static_cast<uintptr_t>(s);
    server_ = std::thread([this] { serve(); });
}

LrclibStandin::~LrclibStandin() {
    stop();
}

std::string LrclibStandin::url() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void LrclibStandin::answer(const std::string& track_name, StandinReply reply) {
    std::lock_guard<std::mutex> hold(mutex_);
    replies_[track_name] = std::move(reply);
}

std::vector<StandinRequest> LrclibStandin::requests() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return requests_;
}

void LrclibStandin::stop() {
    if (stopping_.exchange(true))
        return;
    if (server_.joinable())
        server_.join();
    std::vector<std::thread> handlers;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        handlers.swap(handlers_);
    }
    for (std::thread& t : handlers)
        t.join();
    if (listener_ != invalid)
        close_socket(static_cast<Socket>(listener_));
    listener_ = invalid;
}

void LrclibStandin::serve() {
    auto listener = static_cast<Socket>(listener_);
    while (!stopping_.load()) {
        if (!readable(listener, 20))
            continue;
        Socket connection = ::accept(listener, nullptr, nullptr);
#ifdef _WIN32
        if (connection == INVALID_SOCKET)
            continue;
#else
        if (connection < 0)
            continue;
#endif
        ++connections_;
        std::lock_guard<std::mutex> hold(mutex_);
        handlers_.emplace_back([this, connection] { handle(static_cast<uintptr_t>(connection)); });
    }
}

void LrclibStandin::handle(uintptr_t raw) {
    auto s = static_cast<Socket>(raw);
    std::string head;
    char chunk[4096];
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536 && !stopping_.load() &&
           std::chrono::steady_clock::now() < deadline) {
        if (!readable(s, 20))
            continue;
        int n = static_cast<int>(::recv(s, chunk, sizeof chunk, 0));
        if (n <= 0)
            break;
        head.append(chunk, static_cast<size_t>(n));
    }
    size_t line_end = head.find("\r\n");
    if (line_end == std::string::npos) {
        close_socket(s);
        return;
    }
    std::string line = head.substr(0, line_end);
    size_t first = line.find(' ');
    size_t second = line.find(' ', first + 1);
    StandinRequest request;
    request.target = first == std::string::npos ? "" : line.substr(first + 1, second - first - 1);
    request.user_agent = header_value(head, "User-Agent");
    request.query = query_of(request.target);
    StandinReply reply = lrclib_not_found();
    {
        std::lock_guard<std::mutex> hold(mutex_);
        requests_.push_back(request);
        auto it = replies_.find(request.query["track_name"]);
        if (it != replies_.end())
            reply = it->second;
    }
    auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(reply.delay_ms);
    while (!stopping_.load() && std::chrono::steady_clock::now() < due)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!stopping_.load())
        send_all(s, "HTTP/1.1 " + std::to_string(reply.status) + " " + reason(reply.status) +
                        "\r\nContent-Type: application/json\r\nContent-Length: " +
                        std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n" +
                        reply.body);
    close_socket(s);
}

} // namespace lumivox::test
