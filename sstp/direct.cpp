#include "sstp/direct.h"

#include "platform/clock.h"
#include "sstp/hung_ghost.h"

#include "platform/shared_memory.h"
#include "timeline/text.h"

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

int look_up_window(const char* text, const char* ghost_key, platform::WindowHandle& window) {
    const char* needle = hwnd_needle;
    uint32_t needle_length = hwnd_needle_length;
    char window_needle[window_needle_length];
    if (ghost_key != nullptr) {
        const char* key = find_substring(text, ghost_key, text_length(ghost_key));
        // Without a whole entry ID before it, the match is no ghost's entry.
        if (key == nullptr || key - text < static_cast<ptrdiff_t>(entry_id_length))
            return 0;
        std::memcpy(window_needle, key - entry_id_length, entry_id_length);
        std::memcpy(window_needle + entry_id_length, hwnd_needle, hwnd_needle_length);
        needle = window_needle;
        needle_length = window_needle_length;
    }
    const char* entry = find_substring(text, needle, needle_length);
    if (entry == nullptr)
        return 0;
    // A window handle is 32 bits wide and sign-extended, as HWNDs are.
    int32_t number = parse_time_value(entry + needle_length, 0);
    window = static_cast<platform::WindowHandle>(static_cast<intptr_t>(number));
    return 1;
}

} // namespace

int find_ghost_window(const char* image, size_t size, const char* ghost_key,
                      platform::WindowHandle& window) {
    char* text = copy_text(image, size);
    int result = text != nullptr ? look_up_window(text, ghost_key, window) : 0;
    std::free(text);
    return result;
}

int direct_probe(const char* ghost_key) {
    int result = 0;
    platform::WindowHandle window = 0;
    platform::SharedView view;
    if (platform::shared_memory_open("Sakura", view)) {
        result = find_ghost_window(view.data, view.size, ghost_key, window);
        platform::shared_memory_close(view);
    }
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
