#include "tests/direct/direct_fixture.h"

#include "platform/syscalls.h"
#include "sstp/tcp.h"
#include "sstp/transport.h"
#include "tests/support/seams.h"

namespace lumivox::test {
namespace {

int shared_memory_opens = 0;
int library_frees = 0;

bool count_shared_memory_open(const char* name, platform::SharedView& view) {
    ++shared_memory_opens;
    return platform::real_calls.shared_memory_open(name, view);
}

bool count_library_free(platform::LibraryHandle library) {
    ++library_frees;
    return platform::real_calls.library_free(library);
}

class Selection : public DirectTransport {
  protected:
    void SetUp() override {
        DirectTransport::SetUp();
        platform::replace_call(&platform::SystemCalls::shared_memory_open,
                               &count_shared_memory_open);
        platform::replace_call(&platform::SystemCalls::library_free, &count_library_free);
    }
    void TearDown() override {
        platform::restore_calls();
        DirectTransport::TearDown();
    }
};

TEST_F(Selection, SelectingDirectProbesOnceAndUnloadsTheNetworkLibrary) {
    ASSERT_TRUE(ghost::host_start({{"Alpha", "", ""}}));
    select_transport(0);
    ASSERT_TRUE(tcp_loaded());

    int opens = shared_memory_opens;
    int frees = library_frees;
    select_transport(1);
    EXPECT_EQ(active_transport.probe, &direct_probe);
    EXPECT_EQ(active_transport.deliver, &direct_deliver);
    EXPECT_EQ(shared_memory_opens, opens + 1);
    EXPECT_EQ(ghost_window.load(), ghost::window_of(0));
    EXPECT_FALSE(tcp_loaded());
    EXPECT_EQ(library_frees, frees + 1);

    select_transport(1);
    EXPECT_EQ(shared_memory_opens, opens + 1);

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
    EXPECT_EQ(shared_memory_opens, opens + 2);
    EXPECT_EQ(ghost_window.load(), 0u);
    EXPECT_FALSE(send_sstp_request("x", trailer_utf8));
}

} // namespace
} // namespace lumivox::test
