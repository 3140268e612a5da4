#include "platform/net.h"
#include "platform/syscalls.h"
#include "sstp/direct.h"
#include "sstp/request.h"
#include "sstp/tcp.h"
#include "sstp/transport.h"
#include "tests/support/seams.h"
#include "tools/ghost/sstp_server.h"

#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace lumivox {
namespace {

using ghost::ReplyMode;
using ghost::SstpServer;

const char startup_script[] = "\\0\\s[0]foobar2000 is starting up.\\e";

int deliver(const char* script) {
    char buffer[request_buffer_size];
    int32_t length = build_sstp_request(buffer, script, trailer_utf8);
    return tcp_deliver(buffer, length);
}

class TcpTransport : public testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(tcp_load(nullptr), 1); }
    void TearDown() override { tcp_unload(); }
};

TEST_F(TcpTransport, SendsTheExactRequestAndSucceedsOn200) {
    SstpServer ghost;
    ASSERT_TRUE(ghost.listening());
    ghost.set_reply("SSTP/1.1 200 OK\r\nSender: ghost\r\nX-More: header\r\n\r\n");
    EXPECT_EQ(deliver(startup_script), 1);
    auto requests = ghost.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].size(), 130u);
    EXPECT_EQ(requests[0], std::string("SEND SSTP/1.1\r\nSender: foobar2000\r\nOption: "
                                       "nodescript,notranslate\r\nScript: ") +
                               startup_script + "\r\nCharset: UTF-8\r\n\r\n");
}

TEST_F(TcpTransport, ReadsTheStatusFromBytesNineToEleven) {
    SstpServer ghost;
    ASSERT_TRUE(ghost.listening());
    const struct {
        const char* reply;
        ReplyMode mode;
        size_t split_at;
        int expected;
    } cases[] = {
        {"SSTP/1.1 200", ReplyMode::reply, 0, 1},              // exactly 12 bytes
        {"SSTP/1.1 20", ReplyMode::reply, 0, 0},               // 11 bytes
        {"SSTP/1.1 2001 Odd\r\n\r\n", ReplyMode::reply, 0, 1}, // cut at offset 12
        {"SSTP/1.1  200 OK\r\n\r\n", ReplyMode::reply, 0, 0},  // two blanks
        {"SSTP/1.1 204 No Content\r\n\r\n", ReplyMode::reply, 0, 0},
        {"XXXX/9.9 200 OK\r\n\r\n", ReplyMode::reply, 0, 1}, // version not read
        {"SSTP/1.1 200 OK\r\n\r\n", ReplyMode::split, 6, 0}, // first receive too short
        {"", ReplyMode::close_silent, 0, 0},
    };
    for (const auto& c : cases) {
        ghost.set_reply(c.reply, c.mode, c.split_at);
        EXPECT_EQ(deliver("x"), c.expected) << '"' << c.reply << '"';
    }
}

TEST_F(TcpTransport, FailsWithoutAGhost) {
    EXPECT_EQ(deliver("x"), 0);
}

TEST_F(TcpTransport, GhostThatNeverAnswersTimesOut) {
    SstpServer ghost;
    ASSERT_TRUE(ghost.listening());
    ghost.set_reply("", ReplyMode::never_answer);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(deliver("x"), 0);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1500));
    EXPECT_LT(waited, std::chrono::milliseconds(6000));

    // A ghost that has just hung is not waited for again: the next delivery
    // fails at once, without a connection.
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(deliver("y"), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(ghost.requests().size(), 1u);
}

TEST_F(TcpTransport, UnloadingForgetsAHungGhost) {
    {
        SstpServer hung;
        ASSERT_TRUE(hung.listening());
        hung.set_reply("", ReplyMode::never_answer);
        EXPECT_EQ(deliver("x"), 0);
    }
    SstpServer ghost;
    ASSERT_TRUE(ghost.listening());
    EXPECT_EQ(deliver("y"), 0) << "still taken for hung";
    tcp_unload();
    ASSERT_EQ(tcp_load(nullptr), 1);
    EXPECT_EQ(deliver("z"), 1);
}

// Counts of the socket library's loads and frees, and of the WSAStartup and
// WSACleanup calls made through what the library hands out.
int library_loads = 0;
int library_frees = 0;
int net_startups = 0;
int net_cleanups = 0;
platform::NetStartupFn real_startup = nullptr;
platform::NetCleanupFn real_cleanup = nullptr;

int LUMIVOX_NETAPI count_startup(uint16_t version, void* data) {
    ++net_startups;
    return real_startup(version, data);
}

int LUMIVOX_NETAPI count_cleanup() {
    ++net_cleanups;
    return real_cleanup();
}

platform::LibraryHandle count_load(const char* name) {
    ++library_loads;
    return platform::real_calls.library_load(name);
}

bool count_free(platform::LibraryHandle library) {
    ++library_frees;
    return platform::real_calls.library_free(library);
}

void* count_symbol(platform::LibraryHandle library, const char* name) {
    void* symbol = platform::real_calls.library_symbol(library, name);
    if (symbol != nullptr && std::strcmp(name, "WSAStartup") == 0) {
        real_startup = reinterpret_cast<platform::NetStartupFn>(symbol);
        return reinterpret_cast<void*>(&count_startup);
    }
    if (symbol != nullptr && std::strcmp(name, "WSACleanup") == 0) {
        real_cleanup = reinterpret_cast<platform::NetCleanupFn>(symbol);
        return reinterpret_cast<void*>(&count_cleanup);
    }
    return symbol;
}

class TcpLoad : public testing::Test {
  protected:
    void SetUp() override {
        tcp_unload();
        platform::replace_call(&platform::SystemCalls::library_load, &count_load);
        platform::replace_call(&platform::SystemCalls::library_symbol, &count_symbol);
        platform::replace_call(&platform::SystemCalls::library_free, &count_free);
    }
    void TearDown() override {
        tcp_unload();
        platform::restore_calls();
    }
};

TEST_F(TcpLoad, LoadsOnceAndUnloadsOnce) {
    int loads = library_loads;
    int frees = library_frees;
    int startups = net_startups;
    int cleanups = net_cleanups;
    EXPECT_EQ(tcp_load(nullptr), 1);
    GhostKey key{".name\x01Ghost\r", ".name\x01Ghost\r"};
    EXPECT_EQ(tcp_load(&key), 1); // the key is ignored
    EXPECT_TRUE(tcp_loaded());
    EXPECT_EQ(library_loads, loads + 1);
    EXPECT_EQ(net_startups, startups + 1);
    tcp_unload();
    tcp_unload();
    EXPECT_FALSE(tcp_loaded());
    EXPECT_EQ(library_frees, frees + 1);
    EXPECT_EQ(net_cleanups, cleanups + 1);
}

TEST_F(TcpLoad, DeliveryWithoutTheLibraryTouchesNoNetwork) {
    tcp_unload();
    SstpServer ghost;
    ASSERT_TRUE(ghost.listening());
    EXPECT_EQ(deliver("x"), 0);
    EXPECT_FALSE(ghost.wait_for_requests(1, 300));
}

using SelectTransport = TcpLoad;

TEST_F(SelectTransport, SwitchesAndManagesTheNetworkLibrary) {
    active_transport = {nullptr, nullptr};
    tcp_unload();

    select_transport(0); // the first selection always switches
    EXPECT_EQ(active_transport.probe, &tcp_load);
    EXPECT_EQ(active_transport.deliver, &tcp_deliver);
    EXPECT_TRUE(tcp_loaded());

    int loads = library_loads;
    select_transport(0); // already TCP: nothing happens
    EXPECT_EQ(library_loads, loads);

    select_transport(1);
    EXPECT_EQ(active_transport.probe, &direct_probe);
    EXPECT_EQ(active_transport.deliver, &direct_deliver);
    EXPECT_FALSE(tcp_loaded()); // unloaded after the switch

    select_transport(0);
    EXPECT_TRUE(tcp_loaded());
    tcp_unload();
    active_transport = {nullptr, nullptr};
}

} // namespace
} // namespace lumivox
