// A stand-in LRCLIB server for the tests: plain HTTP on 127.0.0.1 at a port
// of its own, answering /api/get by the track name asked for, and keeping
// every request it was sent.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumivox::test {

struct StandinReply {
    int status = 200;
    std::string body;
    int delay_ms = 0; // before anything is sent
};

// The answers the real server gives, by kind.
StandinReply lrclib_found(const std::string& synced_lyrics);
StandinReply lrclib_not_found();
StandinReply lrclib_instrumental();
StandinReply lrclib_plain_only();
StandinReply lrclib_malformed();
// A 200 whose body is one byte over a mebibyte.
StandinReply lrclib_over_limit();
StandinReply lrclib_server_error();
// The reply, sent only after delay_ms.
StandinReply lrclib_slow(StandinReply reply, int delay_ms);

struct StandinRequest {
    std::string target;                       // "/api/get?artist_name=..."
    std::string user_agent;                   // "" when none was sent
    std::map<std::string, std::string> query; // decoded
};

class LrclibStandin {
  public:
    LrclibStandin();
    ~LrclibStandin();
    LrclibStandin(const LrclibStandin&) = delete;
    LrclibStandin& operator=(const LrclibStandin&) = delete;

    bool listening() const { return listener_ != invalid; }
    // "http://127.0.0.1:PORT"
    std::string url() const;
    // The reply to requests for track_name; any other track is not found.
    void answer(const std::string& track_name, StandinReply reply);
    std::vector<StandinRequest> requests() const;
    // Connections accepted, whether or not they sent a request.
    int connections() const { return connections_.load(); }
    // Stops answering and waits for every connection's thread; a reply
    // being delayed is dropped.
    void stop();

  private:
    static constexpr uintptr_t invalid = ~uintptr_t{0};
    void serve();
    void handle(uintptr_t connection);

    uintptr_t listener_ = invalid;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::map<std::string, StandinReply> replies_;
    std::vector<StandinRequest> requests_;
    std::vector<std::thread> handlers_;
    std::thread server_;
};

} // namespace lumivox::test
