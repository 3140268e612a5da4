#include "tests/direct/direct_fixture.h"

#include <chrono>

namespace lumivox::test {
namespace {

using ghost::host_start;
using ghost::received;
using ghost::set_answer;
using ghost::window_of;
using ghost::WindowAnswer;

const char startup_script[] = "\\0\\s[0]foobar2000 is starting up.\\e";

TEST_F(DirectTransport, KeylessProbeTakesTheFirstGhostWhichGetsTheWholeRequest) {
    ASSERT_TRUE(host_start({{"Alpha", "", ""}, {"Beta", "", ""}}));
    ASSERT_NE(window_of(0), 0u);
    EXPECT_EQ(direct_probe(nullptr), 1);
    EXPECT_EQ(ghost_window.load(), window_of(0));

    // The start-up request, and one that fills the request buffer.
    const std::string scripts[] = {startup_script, std::string(4000, 'y')};
    std::vector<std::string> requests;
    for (const std::string& script : scripts) {
        char buffer[request_buffer_size];
        int32_t length = build_sstp_request(buffer, script.c_str(), trailer_utf8);
        requests.emplace_back(buffer, static_cast<size_t>(length));
        EXPECT_EQ(direct_deliver(buffer, length), 1);
    }
    auto got = received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].size, 130u);
    EXPECT_EQ(got[1].size, 4095u);
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].ghost, 0u);
        EXPECT_EQ(got[i].data, 9801u);
        EXPECT_EQ(got[i].bytes, requests[i]);
    }
}

TEST_F(DirectTransport, KeyProbeTakesTheGhostOfThatWholeName) {
    ASSERT_TRUE(host_start({{"Alpha", "", ""}, {"Beta", "", ""}}));
    const struct {
        const char* name;
        int found;
    } cases[] = {
        {"Beta", 1},
        {"bETA", 1},  // case ignored after the key's first byte
        {"Bet", 0},   // the listed "Beta" only begins with it
        {"Gamma", 0}, // not listed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(direct_probe(nullptr), 1);
        EXPECT_EQ(probe_named(c.name), c.found);
        // A failed key probe keeps the window it found before.
        size_t ghost = c.found ? 1 : 0;
        EXPECT_EQ(ghost_window.load(), window_of(ghost));
        size_t before = received().size();
        EXPECT_EQ(deliver("x"), 1);
        auto got = received();
        ASSERT_EQ(got.size(), before + 1);
        EXPECT_EQ(got.back().ghost, ghost);
    }
}

TEST_F(DirectTransport, HostThatVanishesIsForgotten) {
    ASSERT_TRUE(host_start({{"Alpha", "", ""}}));
    ASSERT_EQ(direct_probe(nullptr), 1);
    platform::WindowHandle window = ghost_window;
    ghost::host_stop();

    EXPECT_EQ(probe_named("Alpha"), 0);
    EXPECT_EQ(ghost_window.load(), window);
    // The window is gone: the delivery fails and forgets it.
    EXPECT_EQ(deliver("x"), 0);
    EXPECT_EQ(ghost_window.load(), 0u);

    ghost_window = window;
    EXPECT_EQ(direct_probe(nullptr), 0);
    EXPECT_EQ(ghost_window.load(), 0u);
}

TEST_F(DirectTransport, NonNumericHwndIsNoWindow) {
    ASSERT_TRUE(host_start({{"Alpha", "", "none"}}));
    EXPECT_EQ(direct_probe(nullptr), 1);
    EXPECT_EQ(ghost_window.load(), 0u);
    EXPECT_EQ(deliver("x"), 0);
    EXPECT_TRUE(received().empty());
}

TEST_F(DirectTransport, RejectedDeliveryForgetsTheWindowUntilTheNextProbe) {
    ASSERT_TRUE(host_start({{"Alpha", "", ""}}));
    ASSERT_EQ(direct_probe(nullptr), 1);
    set_answer(0, WindowAnswer::reject);
    EXPECT_EQ(deliver("x"), 0);
    EXPECT_EQ(ghost_window.load(), 0u);

    set_answer(0, WindowAnswer::accept);
    EXPECT_EQ(deliver("x"), 0);
    EXPECT_EQ(received().size(), 1u) << "a message was sent to a forgotten window";

    ASSERT_EQ(direct_probe(nullptr), 1);
    EXPECT_EQ(deliver("x"), 1);
}

TEST_F(DirectTransport, GhostThatHangsTimesOutAsARefusal) {
    ASSERT_TRUE(host_start({{"Alpha", "", ""}}));
    ASSERT_EQ(direct_probe(nullptr), 1);
    set_answer(0, WindowAnswer::hang);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(deliver("x"), 0);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, std::chrono::seconds(15));
    EXPECT_EQ(ghost_window.load(), 0u);
    EXPECT_EQ(received().size(), 1u);

    // Found again by the next probe, the hung window is not waited for
    // again: the delivery fails at once and nothing is sent.
    ASSERT_EQ(direct_probe(nullptr), 1);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(deliver("y"), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(received().size(), 1u);
}

TEST_F(DirectTransport, RefusalIsNotTakenForAHang) {
    ASSERT_TRUE(host_start({{"Alpha", "", ""}}));
    ASSERT_EQ(direct_probe(nullptr), 1);
    set_answer(0, WindowAnswer::reject);
    EXPECT_EQ(deliver("x"), 0);
    set_answer(0, WindowAnswer::accept);
    ASSERT_EQ(direct_probe(nullptr), 1);
    EXPECT_EQ(deliver("y"), 1);
}

} // namespace
} // namespace lumivox::test
