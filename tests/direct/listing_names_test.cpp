// Named probes against the mascot host's two listings, read under their
// writer's lock while the host rewrites its ghosts' surfaces.
#include "tests/direct/direct_fixture.h"

#include "platform/shared_memory.h"
#include "timeline/script_filter.h"

#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace lumivox::test {
namespace {

using ghost::host_start;
using ghost::HostOptions;
using ghost::window_of;

const std::string zoe_diaeresis = "Zo\xc3\xab";
const std::string zoe_acute = "Zo\xc3\xa9";
const std::string sakura = "\xe3\x81\x95\xe3\x81\x8f\xe3\x82\x89";
const std::string sakuya = "\xe3\x81\x95\xe3\x81\x8f\xe3\x82\x84";

// The system code page's form of the Latin names: 1252 under Wine here,
// UTF-8 on Linux.
#ifdef _WIN32
const std::string zoe_acute_system = "Zo\xe9";
#else
const std::string zoe_acute_system = zoe_acute;
#endif

TEST_F(DirectTransport, NamedProbeTakesTheGhostWhoseWholeNameMatches) {
    const std::vector<ghost::GhostSpec> ghosts = {{"Zoe", "", ""},     {zoe_diaeresis, "", ""},
                                                  {zoe_acute, "", ""}, {sakura, "", ""},
                                                  {sakuya, "", ""},    {"Emily", "", ""}};
    struct Case {
        const char* what;
        bool unicode; // the host publishes "SakuraUnicode"
        std::string utf8;
        const char* system; // nullptr: the key has no system code page form
        int ghost;          // -1: not found
    };
    const Case cases[] = {
        {"Latin-1", true, zoe_acute, zoe_acute_system.c_str(), 2},
        {"Japanese", true, sakuya, nullptr, 4},
        {"ASCII in another case", true, "EMILY", "EMILY", 5},
        {"not running", true, "Zo\xc3\xaa", "Zo\xea", -1},
        {"a name that only begins the wanted one", true, "Zo", "Zo", -1},
        {"older host: the system code page form", false, zoe_acute, zoe_acute_system.c_str(), 2},
        {"older host: no system code page form", false, sakuya, nullptr, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostOptions options;
        options.unicode = c.unicode;
        ASSERT_TRUE(host_start(ghosts, options));
        ghost_window = 5;
        std::string utf8 = name_key(c.utf8);
        std::string system = c.system != nullptr ? name_key(c.system) : "";
        GhostKey key{utf8.c_str(), c.system != nullptr ? system.c_str() : nullptr};
        EXPECT_EQ(direct_probe(&key), c.ghost >= 0 ? 1 : 0);
        EXPECT_EQ(ghost_window.load(), c.ghost >= 0 ? window_of(static_cast<size_t>(c.ghost)) : 5u);
    }
}

TEST_F(DirectTransport, TwoByteCharactersOfTheSystemCodePageMatchExactly) {
    // In Shift_JIS "\x83\x41" and "\x83\x61" are two characters whose second
    // bytes are "A" and "a": folding those would take one name for the other.
    std::string id = "ghost-entry-id-001";
    std::string image = std::string("\0\0\1\0", 4) + id + ".name\x01\x83\x61\r\n" + id +
                        ".hwnd\x01" + "42\r\n" + '\0';
    std::string key = name_key("\x83\x41");
    platform::WindowHandle window = 5;
    EXPECT_EQ(
        find_ghost_window(image.data(), image.size(), key.c_str(), &shift_jis_lead_byte, window),
        0);
    EXPECT_EQ(window, 5u);
    key = name_key("\x83\x61");
    EXPECT_EQ(
        find_ghost_window(image.data(), image.size(), key.c_str(), &shift_jis_lead_byte, window),
        1);
    EXPECT_EQ(window, 42u);
}

TEST_F(DirectTransport, ListingsAreReadUnderTheirLockWhileTheHostRewritesThem) {
    // Each rewrite tears the listing for a moment, under the lock: a probe
    // that read without it would now and then find no ghost, or a wrong one.
    ASSERT_TRUE(host_start({{"Lache", "", ""}, {"Emily", "", ""}}));
    for (int i = 0; i < 300; ++i) {
        ghost_window = 5;
        ASSERT_EQ(probe_named("Emily"), 1) << "probe " << i;
        ASSERT_EQ(ghost_window.load(), window_of(1)) << "probe " << i;
        ASSERT_EQ(direct_probe(nullptr), 1) << "probe " << i;
        ASSERT_EQ(ghost_window.load(), window_of(0)) << "probe " << i;
    }
}

TEST_F(DirectTransport, LockHeldTooLongIsWaitedForABoundedTime) {
    ASSERT_TRUE(host_start({{"Lache", "", ""}, {"Emily", "", ""}}));
    ASSERT_TRUE(ghost::hold_listing_locks(true));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(probe_named("Emily"), 1);
    EXPECT_EQ(ghost_window.load(), window_of(1));
    // The probe waited for the lock before it read without it.
    EXPECT_GE(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(listing_lock_wait_ms));
    EXPECT_TRUE(ghost::hold_listing_locks(false));
}

#ifdef _WIN32
TEST_F(DirectTransport, AbandonedLockCountsAsTakenAndIsGivenBack) {
    ASSERT_TRUE(
        host_start({{"Lache", "", ""}, {"Emily", "", ""}}, {true, ghost::IdStyle::ssp, false}));
    // A writer that ended while it held the lock.
    std::thread writer([] {
        HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"SakuraUnicodeFMO");
        ASSERT_NE(mutex, nullptr);
        ASSERT_EQ(WaitForSingleObject(mutex, 1000), WAIT_OBJECT_0);
        CloseHandle(mutex);
    });
    writer.join();
    EXPECT_EQ(probe_named("Emily"), 1);
    EXPECT_EQ(ghost_window.load(), window_of(1));
    // The probe took the abandoned lock and gave it back: had it not, this
    // wait would be the one to find it abandoned.
    HANDLE mutex = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, L"SakuraUnicodeFMO");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}
#endif

} // namespace
} // namespace lumivox::test
