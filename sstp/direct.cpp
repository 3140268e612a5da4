#include "sstp/direct.h"

#include "platform/clock.h"
#include "sstp/hung_ghost.h"

#include "base/text.h"
#include "platform/codepage.h"
#include "platform/shared_memory.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace lumivox {

std::atomic<platform::WindowHandle> ghost_window{0};

namespace {
HungGhost hung_window;
}

namespace {

constexpr uint32_t header_size = 4;
constexpr uint32_t entry_id_length = 18;
constexpr char hwnd_needle[] = ".hwnd\x01";
constexpr uint32_t hwnd_needle_length = sizeof hwnd_needle - 1;
constexpr uint32_t window_needle_length = entry_id_length + hwnd_needle_length;

// The two listings and the locks their writer holds while writing.
constexpr const char* listing_system = "Sakura";
constexpr const char* listing_system_lock = "SakuraFMO";
constexpr const char* listing_utf8 = "SakuraUnicode";
constexpr const char* listing_utf8_lock = "SakuraUnicodeFMO";

// The entries' text, copied up to its first NUL or the end of the image,
// whichever comes first. The mascot host is trusted to end the text with a
// NUL, but the text routines must not run past the view if it does not, so
// they work on this NUL-terminated copy. nullptr when there is no memory.
char* copy_text(const char* image, size_t size) {
    if (size <= header_size)
        return static_cast<char*>(std::calloc(1, 1));
    size_t room = size - header_size;
    uint32_t limit = room > UINT32_MAX - 1 ? UINT32_MAX - 1 : static_cast<uint32_t>(room);
    const char* text = image + header_size;
    uint32_t length = text_length_max(text, limit);
    char* copy = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
    if (copy != nullptr)
        copy_string_end_max(copy, text, length);
    return copy;
}

// A copy of the listing's text taken while its writer's lock is held, so
// that a listing being rewritten is never read half-way. A writer without a
// lock, or one that keeps it too long, is read without it. nullptr when the
// listing does not exist (or there is no memory).
char* read_listing(const char* listing, const char* lock_name) {
    platform::SharedView view;
    if (!platform::shared_memory_open(listing, view))
        return nullptr;
    uintptr_t lock = platform::shared_lock_take(lock_name, listing_lock_wait_ms);
    char* text = copy_text(view.data, view.size);
    platform::shared_lock_release(lock);
    platform::shared_memory_close(view);
    return text;
}

char fold_ascii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The needle's n bytes at p, ASCII letters ignoring case, except that a
// two-byte character (lead tells its first byte) matches exactly: folding
// its second byte would let one name of such characters match another.
// Stops at the text's NUL, which no needle byte matches.
bool matches_at(const char* p, const char* needle, uint32_t n, LeadBytes lead) {
    for (uint32_t i = 0; i < n; ++i) {
        if (p[i] == '\0')
            return false;
        if (char_length(needle + i, n - i, lead) == 2) {
            if (p[i] != needle[i] || p[i + 1] != needle[i + 1])
                return false;
            ++i;
        } else if (fold_ascii(p[i]) != fold_ascii(needle[i])) {
            return false;
        }
    }
    return true;
}

// Names are matched byte for byte, never by the host's UTF-8 comparison:
// that decodes, and answers "equal" once the needle holds a byte that is
// not UTF-8, which the system code page's names are full of.
const char* find_entry(const char* text, const char* needle, uint32_t n, LeadBytes lead) {
    for (const char* hit = find_first_char(text, needle[0]); hit != nullptr;
         hit = find_first_char(hit + 1, needle[0])) {
        if (matches_at(hit, needle, n, lead))
            return hit;
    }
    return nullptr;
}

int look_up_window(const char* text, const char* name_key, LeadBytes lead,
                   platform::WindowHandle& window) {
    const char* needle = hwnd_needle;
    uint32_t needle_length = hwnd_needle_length;
    char window_needle[window_needle_length];
    if (name_key != nullptr) {
        const char* key = find_entry(text, name_key, text_length(name_key), lead);
        // Without a whole entry ID before it, the match is no ghost's entry.
        if (key == nullptr || key - text < static_cast<ptrdiff_t>(entry_id_length))
            return 0;
        std::memcpy(window_needle, key - entry_id_length, entry_id_length);
        std::memcpy(window_needle + entry_id_length, hwnd_needle, hwnd_needle_length);
        needle = window_needle;
        needle_length = window_needle_length;
    }
    const char* entry = find_entry(text, needle, needle_length, nullptr);
    if (entry == nullptr)
        return 0;
    // A window handle is 32 bits wide and sign-extended, as HWNDs are.
    int32_t number = parse_time_value(entry + needle_length, 0);
    window = static_cast<platform::WindowHandle>(static_cast<intptr_t>(number));
    return 1;
}

// "SakuraUnicode" where the mascot host publishes it: it holds every name
// whole, while "Sakura" cannot hold a name outside the system code page.
int look_up_named(const GhostKey& key, platform::WindowHandle& window) {
    const char* name_key = key.utf8;
    LeadBytes lead = nullptr;
    char* text = read_listing(listing_utf8, listing_utf8_lock);
    if (text == nullptr) {
        name_key = key.system;
        lead = &platform::system_lead_byte;
        text = read_listing(listing_system, listing_system_lock);
    }
    int result =
        text != nullptr && name_key != nullptr ? look_up_window(text, name_key, lead, window) : 0;
    std::free(text);
    return result;
}

int look_up_first(platform::WindowHandle& window) {
    char* text = read_listing(listing_system, listing_system_lock);
    int result = text != nullptr ? look_up_window(text, nullptr, nullptr, window) : 0;
    std::free(text);
    return result;
}

} // namespace

int find_ghost_window(const char* image, size_t size, const char* name_key, LeadBytes lead,
                      platform::WindowHandle& window) {
    char* text = copy_text(image, size);
    int result = text != nullptr ? look_up_window(text, name_key, lead, window) : 0;
    std::free(text);
    return result;
}

int direct_probe(const GhostKey* ghost_key) {
    platform::WindowHandle window = 0;
    int result = ghost_key != nullptr ? look_up_named(*ghost_key, window) : look_up_first(window);
    if (result != 0)
        ghost_window = window;
    else if (ghost_key == nullptr)
        ghost_window = 0;
    return result;
}

int direct_deliver(char* buffer, int32_t length) {
    platform::WindowHandle window = ghost_window;
    if (window == 0 || length < 0)
        return 0;
    bool delivered = false;
    if (!ghost_still_hung(hung_window, window)) {
        uint32_t started = platform::tick_count();
        delivered = platform::send_copy_data(window, direct_copy_data_id, buffer,
                                             static_cast<uint32_t>(length), direct_timeout_ms);
        note_delivery(hung_window, window, started, delivered, direct_timeout_ms);
    }
    if (delivered)
        return 1;
    // Forget only the window that failed, not one a probe has just stored.
    ghost_window.compare_exchange_strong(window, 0);
    return 0;
}

} // namespace lumivox
