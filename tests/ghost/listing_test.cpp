// The substitute mascot host's listing, read back as a reader in another
// program reads it: by the objects' and locks' names, through the platform
// layer's reader (the component's own).
#include "platform/shared_memory.h"
#include "platform/window_message.h"
#include "tools/ghost/mascot_host.h"

#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace lumivox::test {
namespace {

using namespace std::chrono_literals;
using ghost::IdStyle;

const std::vector<std::string> keys = {"path",           "hwnd",         "name",       "keroname",
                                       "sakura.surface", "kero.surface", "kerohwnd",   "hwndlist",
                                       "ghostpath",      "fullname",     "modulestate"};

const std::string zoe = "Zo\xC3\xAB";                                   // U+00EB
const std::string sakura_kana = "\xE3\x81\x95\xE3\x81\x8F\xE3\x82\x89"; // three kana

#ifdef _WIN32
// The code page of this lane's Wine: Latin-1's letters, no kana.
const std::string zoe_ansi = "Zo\xEB";
const std::string kana_ansi = "???";

uint32_t process_id() {
    return GetCurrentProcessId();
}

#else
const std::string zoe_ansi = zoe;
const std::string kana_ansi = sakura_kana;

uint32_t process_id() {
    return static_cast<uint32_t>(getpid());
}

#endif

// The whole object, copied while holding its lock ("Sakura": "SakuraFMO")
// unless told not to; nullopt when there is no such object.
std::optional<std::string> read_object(const std::string& name, bool locked = true) {
    uintptr_t lock = locked ? platform::shared_lock_take((name + "FMO").c_str(), 2000) : 0;
    if (locked && lock == 0)
        ADD_FAILURE() << "the lock of " << name << " was not to be had";
    std::optional<std::string> bytes;
    platform::SharedView view;
    if (platform::shared_memory_open(name.c_str(), view)) {
        bytes = std::string(view.data, view.size);
        platform::shared_memory_close(view);
    }
    if (lock != 0)
        platform::shared_lock_release(lock);
    return bytes;
}

struct Listed {
    std::string id;
    std::map<std::string, std::string> values;
};

// Reads the text after the header up to its NUL as ghosts, each a run of
// lines "ID.key<0x01>value<CR><LF>" with every key in order under one ID.
// False for anything else, a torn listing among it.
bool parse_listing(const std::string& image, std::vector<Listed>& ghosts) {
    ghosts.clear();
    size_t end = image.find('\0', 4);
    if (image.size() < 4 || end == std::string::npos)
        return false;
    std::string text = image.substr(4, end - 4);
    size_t at = 0;
    for (size_t line = 0; at < text.size(); ++line) {
        size_t eol = text.find("\r\n", at);
        size_t mark = text.find('\x01', at);
        if (eol == std::string::npos || mark > eol)
            return false;
        const std::string& key = keys[line % keys.size()];
        std::string head = text.substr(at, mark - at);
        if (head.size() <= key.size() + 1)
            return false;
        size_t dot = head.size() - key.size() - 1;
        if (head.compare(dot, std::string::npos, "." + key) != 0)
            return false;
        std::string id = head.substr(0, dot);
        if (line % keys.size() == 0)
            ghosts.push_back({id, {}});
        else if (id != ghosts.back().id)
            return false;
        ghosts.back().values[key] = text.substr(mark + 1, eol - mark - 1);
        at = eol + 2;
    }
    return ghosts.empty() || ghosts.back().values.size() == keys.size();
}

bool is_lower_hex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// 32 lower-case hex digits, or the 8-4-4-4-12 of a UUID.
bool hex_id(const std::string& id, bool uuid) {
    if (id.size() != (uuid ? 36u : 32u))
        return false;
    for (size_t i = 0; i < id.size(); ++i) {
        bool dash = uuid && (i == 8 || i == 13 || i == 18 || i == 23);
        if (dash ? id[i] != '-' : !is_lower_hex(id[i]))
            return false;
    }
    return true;
}

std::string listed_window(platform::WindowHandle window) {
    return std::to_string(static_cast<int32_t>(window));
}

class Listing : public testing::Test {
  protected:
    void TearDown() override { ghost::host_stop(); }
};

TEST_F(Listing, BothObjectsListEveryKeyOfEveryGhostInEachIdStyle) {
    const struct {
        IdStyle style;
        const char* label;
    } styles[] = {{IdStyle::ssp, "ssp"}, {IdStyle::hex32, "hex32"}, {IdStyle::long36, "long36"}};
    for (const auto& s : styles) {
        SCOPED_TRACE(s.label);
        ghost::HostOptions options;
        options.ids = s.style;
        ASSERT_TRUE(ghost::host_start({{zoe, "", ""}, {sakura_kana, "", ""}}, options));
        const struct {
            const char* object;
            std::string names[2];
        } objects[] = {{"Sakura", {zoe_ansi, kana_ansi}}, {"SakuraUnicode", {zoe, sakura_kana}}};
        for (const auto& o : objects) {
            SCOPED_TRACE(o.object);
            auto image = read_object(o.object);
            ASSERT_TRUE(image);
            EXPECT_EQ(image->size(), 65536u);
            EXPECT_EQ(image->substr(0, 4), std::string("\0\0\1\0", 4));
            std::vector<Listed> ghosts;
            ASSERT_TRUE(parse_listing(*image, ghosts)) << image->c_str() + 4;
            ASSERT_EQ(ghosts.size(), 2u);
            for (size_t i = 0; i < 2; ++i) {
                const Listed& g = ghosts[i];
                EXPECT_EQ(g.id, ghost::entry_id(i));
                if (s.style == IdStyle::ssp) {
                    char id[64];
                    std::snprintf(id, sizeof id, "ssp_fmo_header_%08x_%08x", process_id(),
                                  static_cast<uint32_t>(ghost::window_of(i)));
                    EXPECT_EQ(g.id, id);
                } else {
                    EXPECT_TRUE(hex_id(g.id, s.style == IdStyle::long36)) << g.id;
                }
                std::string hwnd = listed_window(ghost::window_of(i));
                std::string kerohwnd = listed_window(ghost::kero_window_of(i));
                EXPECT_EQ(g.values.at("hwnd"), hwnd);
                EXPECT_EQ(g.values.at("kerohwnd"), kerohwnd);
                EXPECT_EQ(g.values.at("hwndlist"), hwnd + "," + kerohwnd);
                EXPECT_EQ(g.values.at("name"), o.names[i]);
                EXPECT_EQ(g.values.at("fullname"), o.names[i]);
            }
            // Readers that take the 18 bytes before a key for the ID.
            EXPECT_NE(ghosts[0].id.substr(ghosts[0].id.size() - 18),
                      ghosts[1].id.substr(ghosts[1].id.size() - 18));
        }
    }
}

TEST_F(Listing, SurfacesChangeSoThatOnlyAReaderWithoutTheLockSeesItTorn) {
    ASSERT_TRUE(ghost::host_start({{"Alpha", "", ""}, {"Beta", "", ""}}));
    std::vector<Listed> ghosts;
    int unlocked_reads = 0;
    bool torn_seen = false;
    for (auto deadline = std::chrono::steady_clock::now() + 5s;
         !torn_seen && std::chrono::steady_clock::now() < deadline; ++unlocked_reads) {
        auto image = read_object("SakuraUnicode", false);
        ASSERT_TRUE(image);
        torn_seen = !parse_listing(*image, ghosts) || ghosts.size() != 2;
    }
    EXPECT_TRUE(torn_seen) << unlocked_reads << " reads";

    std::set<std::string> surfaces;
    for (int i = 0; i < 100; ++i) {
        auto image = read_object("SakuraUnicode");
        ASSERT_TRUE(image && parse_listing(*image, ghosts) && ghosts.size() == 2)
            << "torn under the lock at read " << i;
        surfaces.insert(ghosts[1].values["sakura.surface"] + "/" +
                        ghosts[1].values["kero.surface"]);
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_GE(surfaces.size(), 3u);
}

TEST_F(Listing, HeldLocksKeepReadersOutAndTheListingStill) {
    ASSERT_TRUE(ghost::host_start({{"Alpha", "", ""}}));
    ASSERT_TRUE(ghost::hold_listing_locks(true));
    for (const char* lock : {"SakuraFMO", "SakuraUnicodeFMO"}) {
        SCOPED_TRACE(lock);
        uintptr_t taken = platform::shared_lock_take(lock, 100);
        EXPECT_EQ(taken, 0u);
        if (taken != 0)
            platform::shared_lock_release(taken);
    }
    auto before = read_object("SakuraUnicode", false);
    std::this_thread::sleep_for(50ms);
    auto after = read_object("SakuraUnicode", false);
    std::vector<Listed> ghosts;
    ASSERT_TRUE(before && parse_listing(*before, ghosts));
    EXPECT_EQ(ghosts.size(), 1u);
    EXPECT_EQ(before, after);

    ASSERT_TRUE(ghost::hold_listing_locks(false));
    for (const char* lock : {"SakuraFMO", "SakuraUnicodeFMO"}) {
        SCOPED_TRACE(lock);
        uintptr_t taken = platform::shared_lock_take(lock, 1000);
        EXPECT_NE(taken, 0u);
        if (taken != 0)
            platform::shared_lock_release(taken);
    }
}

TEST_F(Listing, OlderHostsAndRawImagesLeaveSakuraAlone) {
    ghost::HostOptions older;
    older.unicode = false;
    ASSERT_TRUE(ghost::host_start({{"Alpha", "", ""}}, older));
    EXPECT_TRUE(read_object("Sakura"));
    EXPECT_FALSE(read_object("SakuraUnicode", false));

    ASSERT_TRUE(ghost::host_start({{"Alpha", "", ""}}));
    const char raw_bytes[] = "HDR!x.hwnd\x01"
                             "42\r\n";
    const std::string raw(raw_bytes, sizeof raw_bytes); // with its NUL
    ASSERT_TRUE(ghost::publish_raw_image(raw));
    EXPECT_FALSE(read_object("SakuraUnicode", false));
    // Nothing rewrites it any more.
    for (int i = 0; i < 3; ++i) {
        auto image = read_object("Sakura", false);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->substr(0, raw.size()), raw);
        std::this_thread::sleep_for(10ms);
    }

    ASSERT_TRUE(ghost::publish_raw_images(raw, "HDR!"));
    auto unicode = read_object("SakuraUnicode");
    ASSERT_TRUE(unicode);
    EXPECT_EQ(unicode->substr(0, 4), "HDR!");
}

TEST_F(Listing, EachWindowRecordsItsGhostAndWhetherItIsTheKero) {
    ASSERT_TRUE(ghost::host_start({{"Alpha", "", ""}, {"Beta", "", ""}}));
    const struct {
        platform::WindowHandle window;
        size_t ghost;
        bool kero;
    } sends[] = {
        {ghost::window_of(1), 1, false},
        {ghost::kero_window_of(1), 1, true},
        {ghost::kero_window_of(0), 0, true},
    };
    for (const auto& s : sends)
        EXPECT_TRUE(platform::send_copy_data(s.window, 9801, "x", 1, 2000));
    auto got = ghost::received();
    ASSERT_EQ(got.size(), 3u);
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].ghost, sends[i].ghost);
        EXPECT_EQ(got[i].kero, sends[i].kero);
    }
}

} // namespace
} // namespace lumivox::test
