// A small SSTP server on 127.0.0.1:9801 for tests: it records the exact bytes
// of each request and answers as the test tells it.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumivox::ghost {

enum class ReplyMode {
    reply,        // send the reply text, then close
    split,        // send the first split_at bytes, pause, then the rest
    close_silent, // close without answering
    never_answer, // keep the connection open without answering until stopped
};

class SstpServer {
  public:
    SstpServer();
    ~SstpServer();
    SstpServer(const SstpServer&) = delete;
    SstpServer& operator=(const SstpServer&) = delete;

    // False when the port could not be bound.
    bool listening() const { return listener_ != invalid; }

    void set_reply(std::string reply, ReplyMode mode = ReplyMode::reply, size_t split_at = 0);
    std::vector<std::string> requests();
    // Called on the server's thread for every request, with the reply about
    // to be sent ("" when none will be). Keeping requests can be turned off
    // for long runs.
    void set_observer(std::function<void(const std::string& request, const std::string& reply)> f);
    void set_keep_requests(bool keep);
    // Waits until at least n requests arrived or timeout_ms passed.
    bool wait_for_requests(size_t n, int timeout_ms);

  private:
    static constexpr uintptr_t invalid = ~static_cast<uintptr_t>(0);
    void serve();
    void handle(uintptr_t client);

    uintptr_t listener_ = invalid;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    std::string reply_ = "SSTP/1.1 200 OK\r\n\r\n";
    ReplyMode mode_ = ReplyMode::reply;
    size_t split_at_ = 0;
    bool keep_requests_ = true;
    size_t request_count_ = 0;
    std::function<void(const std::string&, const std::string&)> observer_;
    std::vector<std::string> requests_;
};

} // namespace lumivox::ghost
