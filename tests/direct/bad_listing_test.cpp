// Listings that no well-behaved mascot host writes: the probe must read
// neither beyond the view nor before the text.
#include "tests/direct/direct_fixture.h"

namespace lumivox::test {
namespace {

using ghost::host_start;
using ghost::publish_raw_image;
using ghost::window_of;

const std::string header = "HDR!";
const std::string id = "ghost-entry-id-001";

TEST_F(DirectTransport, ListingWithoutNulIsReadToTheEndOfTheView) {
    // A whole page of text without a NUL; the window number ends the view.
    std::string start = header + id + ".name\x01" + "Alpha\r\n";
    std::string end = id + ".hwnd\x01" + "77";
    std::string image = start + std::string(4096 - start.size() - end.size(), 'x') + end;
    ASSERT_EQ(image.size(), 4096u);
    ASSERT_TRUE(publish_raw_image(image));

    EXPECT_EQ(direct_probe(nullptr), 1);
    EXPECT_EQ(ghost_window.load(), 77u);
    ghost_window = 5;
    EXPECT_EQ(probe_named("Alpha"), 1);
    EXPECT_EQ(ghost_window.load(), 77u);
    ghost_window = 5;
    EXPECT_EQ(probe_named("Nobody"), 0);
    EXPECT_EQ(ghost_window.load(), 5u);
}

TEST_F(DirectTransport, ViewsWithoutTextListNoGhost) {
    for (const char* image : {"abcd", "ab"}) {
        SCOPED_TRACE(image);
        ASSERT_TRUE(publish_raw_image(image));
        ghost_window = 5;
        EXPECT_EQ(probe_named("Alpha"), 0);
        EXPECT_EQ(ghost_window.load(), 5u);
        EXPECT_EQ(direct_probe(nullptr), 0);
        EXPECT_EQ(ghost_window.load(), 0u);
    }
}

TEST_F(DirectTransport, KeyNeedsAWholeEntryIdBeforeIt) {
    // Each listing also holds the window entry whose ID is the 18 bytes that
    // stand before the key, reaching back into the header where the key's
    // own ID is short: reading before the text would find window 42.
    const struct {
        std::string key_id;
        std::string window_id;
        int found;
    } cases[] = {
        {"", id, 0},                           // the key opens the text
        {id.substr(1), "!" + id.substr(1), 0}, // 17 bytes, then the header
        {id, id, 1},                           // a whole ID
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key_id.size());
        ASSERT_TRUE(publish_raw_image(header + c.key_id + ".name\x01" + "Alpha\r\n" + c.window_id +
                                      ".hwnd\x01" + "42\r\n" + '\0'));
        ghost_window = 5;
        EXPECT_EQ(probe_named("Alpha"), c.found);
        EXPECT_EQ(ghost_window.load(), c.found ? 42u : 5u);
    }
}

TEST_F(DirectTransport, FourKibGhostNameIsFound) {
    std::string long_name(4096, 'N');
    ASSERT_TRUE(host_start({{"Alpha", "", ""}, {long_name, "", ""}}));
    EXPECT_EQ(probe_named(long_name), 1);
    EXPECT_EQ(ghost_window.load(), window_of(1));
    EXPECT_EQ(deliver("x"), 1);
    EXPECT_EQ(ghost::received().back().ghost, 1u);

    EXPECT_EQ(probe_named(long_name + "N"), 0);
    EXPECT_EQ(probe_named(long_name.substr(1)), 0);
    EXPECT_EQ(ghost_window.load(), window_of(1));
}

} // namespace
} // namespace lumivox::test
