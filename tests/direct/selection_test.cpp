#include "tests/direct/direct_fixture.h"

#include "platform/library.h"
#include "platform/shared_memory.h"
#include "sstp/tcp.h"
#include "sstp/transport.h"

namespace lumivox::test {
namespace {

TEST_F(DirectTransport, SelectingDirectProbesOnceAndUnloadsTheNetworkLibrary) {
    ASSERT_TRUE(ghost::host_start({{"Alpha", "", ""}}));
    select_transport(0);
    ASSERT_TRUE(tcp_loaded());

    int opens = platform::shared_memory_opens();
    int frees = platform::library_frees();
    select_transport(1);
    EXPECT_EQ(active_transport.probe, &direct_probe);
    EXPECT_EQ(active_transport.deliver, &direct_deliver);
    EXPECT_EQ(platform::shared_memory_opens(), opens + 1);
    EXPECT_EQ(ghost_window.load(), ghost::window_of(0));
    EXPECT_FALSE(tcp_loaded());
    EXPECT_EQ(platform::library_frees(), frees + 1);

    select_transport(1);
    EXPECT_EQ(platform::shared_memory_opens(), opens + 1);

    EXPECT_TRUE(send_sstp_request("\\0\\s[0]foobar2000 is starting up.\\e", trailer_utf8));
    auto got = ghost::received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].size, 130u);

    // TCP keeps the stored window; Direct selected again looks it up afresh.
    select_transport(0);
    EXPECT_TRUE(tcp_loaded());
    EXPECT_EQ(ghost_window.load(), ghost::window_of(0));
    ghost::host_stop();
    select_transport(1);
    EXPECT_EQ(platform::shared_memory_opens(), opens + 2);
    EXPECT_EQ(ghost_window.load(), 0u);
    EXPECT_FALSE(send_sstp_request("x", trailer_utf8));
}

} // namespace
} // namespace lumivox::test
