#include "tools/ghost/listing.h"

#include <algorithm>
#include <cstdio>

namespace lumivox::ghost {

namespace {

// Surfaces as they change: their lengths vary from nothing to 100 bytes.
const std::string surfaces[] = {"0", "10", "", "1234567890", "12345", std::string(100, '7')};
constexpr size_t surface_count = sizeof surfaces / sizeof surfaces[0];

#ifdef _WIN32
constexpr char separator = '\\';
#else
constexpr char separator = '/';
#endif

// A bijection of 64-bit numbers that scatters their bits, so that IDs look
// like the random ones other hosts make while two windows never share one.
uint64_t scatter(uint64_t x) {
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

void append_entry(std::string& text, const std::string& id, const char* key,
                  const std::string& value) {
    text += id;
    text += '.';
    text += key;
    text += '\x01';
    text += value;
    text += "\r\n";
}

} // namespace

std::string make_entry_id(IdStyle style, uint32_t process, platform::WindowHandle window) {
    auto number = static_cast<uint32_t>(window);
    char id[64];
    if (style == IdStyle::ssp) {
        std::snprintf(id, sizeof id, "ssp_fmo_header_%08x_%08x", process, number);
        return id;
    }
    // The host's half is the same for all its ghosts, the window's half
    // tells them apart.
    uint64_t high = scatter(process);
    uint64_t low = scatter(number);
    auto part = [](uint64_t x, int shift, uint64_t mask) {
        return static_cast<unsigned long long>((x >> shift) & mask);
    };
    if (style == IdStyle::hex32)
        std::snprintf(id, sizeof id, "%016llx%016llx", part(high, 0, ~0ull), part(low, 0, ~0ull));
    else
        std::snprintf(id, sizeof id, "%08llx-%04llx-%04llx-%04llx-%012llx",
                      part(high, 32, 0xFFFFFFFF), part(high, 16, 0xFFFF), part(high, 0, 0xFFFF),
                      part(low, 48, 0xFFFF), part(low, 0, 0xFFFFFFFFFFFF));
    return id;
}

std::string window_text(platform::WindowHandle window) {
    return std::to_string(static_cast<int32_t>(static_cast<uint32_t>(window)));
}

std::string listing_text(const std::vector<ListedGhost>& ghosts, size_t round) {
    std::string path = host_path();
    std::string text;
    for (size_t i = 0; i < ghosts.size(); ++i) {
        const ListedGhost& g = ghosts[i];
        std::string folder = "ghost" + std::to_string(i);
        append_entry(text, g.id, "path", path);
        append_entry(text, g.id, "hwnd", g.hwnd);
        append_entry(text, g.id, "name", g.name);
        append_entry(text, g.id, "keroname", g.keroname);
        append_entry(text, g.id, "sakura.surface", surfaces[(round + i) % surface_count]);
        append_entry(text, g.id, "kero.surface", surfaces[(round + i + 1) % surface_count]);
        append_entry(text, g.id, "kerohwnd", g.kerohwnd);
        append_entry(text, g.id, "hwndlist", g.hwndlist);
        append_entry(text, g.id, "ghostpath", path + "ghost" + separator + folder + separator);
        append_entry(text, g.id, "fullname", g.name);
        append_entry(text, g.id, "modulestate", "shiori:running");
    }
    return text;
}

size_t longest_listing_text(const std::vector<ListedGhost>& ghosts) {
    // Rounds repeat after surface_count.
    size_t longest = 0;
    for (size_t round = 0; round < surface_count; ++round)
        longest = std::max(longest, listing_text(ghosts, round).size());
    return longest;
}

std::string host_path() {
    return std::string(separator == '\\' ? "C:\\lumivox-ghost" : "/opt/lumivox-ghost") + separator;
}

} // namespace lumivox::ghost
