#include "tools/ghost/mascot_host.h"

#include "tools/ghost/ghost_platform.h"
#include "platform/clock.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <utility>

namespace lumivox::ghost {

namespace {

std::mutex mutex;
std::condition_variable changed;
std::vector<platform::WindowHandle> windows;
std::vector<WindowAnswer> answers;
std::vector<CopyDataRecord> records;
// Set while the host goes away, so that hanging windows let go.
bool stopping = false;
bool keep_records = true;
size_t record_count = 0;
std::function<void(const CopyDataRecord&, int64_t)> listener;

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

std::string default_entry_id(size_t ghost) {
    char id[32];
    std::snprintf(id, sizeof id, "ghost-entry-id-%03u", static_cast<unsigned>(ghost % 1000));
    return id;
}

std::string listing_image(const std::vector<GhostSpec>& ghosts,
                          const std::vector<platform::WindowHandle>& windows) {
    std::string text;
    for (size_t i = 0; i < ghosts.size(); ++i) {
        const GhostSpec& g = ghosts[i];
        std::string id = g.id.empty() ? default_entry_id(i) : g.id;
        // Handles are listed as the signed 32-bit numbers they are.
        std::string hwnd = g.hwnd_text;
        if (hwnd.empty() && i < windows.size())
            hwnd = std::to_string(static_cast<int32_t>(static_cast<uint32_t>(windows[i])));
        append_entry(text, id, "hwnd", hwnd);
        append_entry(text, id, "name", g.name);
    }
    text += '\0';
    uint32_t size = static_cast<uint32_t>(text.size() + 4);
    std::string image(4, '\0');
    for (int i = 0; i < 4; ++i)
        image[static_cast<size_t>(i)] = static_cast<char>((size >> (8 * i)) & 0xFF);
    return image + text;
}

bool host_start(const std::vector<GhostSpec>& ghosts) {
    host_stop();
    {
        std::lock_guard<std::mutex> lock(mutex);
        records.clear();
        record_count = 0;
        stopping = false;
        answers.assign(ghosts.size(), WindowAnswer::accept);
    }
    std::vector<platform::WindowHandle> opened;
    for (size_t i = 0; i < ghosts.size(); ++i) {
        platform::WindowHandle window = open_ghost_window(i);
        if (window == 0)
            break;
        opened.push_back(window);
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        windows = opened;
    }
    if (opened.size() != ghosts.size() || !publish_shared_memory(listing_image(ghosts, opened))) {
        host_stop();
        return false;
    }
    return true;
}

void host_stop() {
    std::vector<platform::WindowHandle> closing;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        closing.swap(windows);
    }
    changed.notify_all();
    withdraw_shared_memory();
    for (platform::WindowHandle window : closing)
        close_ghost_window(window);
}

bool publish_raw_image(const std::string& image) {
    return publish_shared_memory(image);
}

platform::WindowHandle window_of(size_t ghost) {
    std::lock_guard<std::mutex> lock(mutex);
    return ghost < windows.size() ? windows[ghost] : 0;
}

void set_answer(size_t ghost, WindowAnswer answer) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (ghost < answers.size())
            answers[ghost] = answer;
    }
    changed.notify_all();
}

std::vector<CopyDataRecord> received() {
    std::lock_guard<std::mutex> lock(mutex);
    return records;
}

void set_listener(std::function<void(const CopyDataRecord& record, int64_t answer)> f) {
    std::lock_guard<std::mutex> lock(mutex);
    listener = std::move(f);
}

void set_keep_records(bool keep) {
    std::lock_guard<std::mutex> lock(mutex);
    keep_records = keep;
}

bool wait_for_received(size_t n, int timeout_ms) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                            [n] { return record_count >= n; });
}

int64_t receive_copy_data(size_t ghost, uint64_t data, const char* bytes, uint32_t size) {
    std::unique_lock<std::mutex> lock(mutex);
    std::string copy = bytes != nullptr ? std::string(bytes, size) : std::string();
    CopyDataRecord record{ghost, data, size, std::move(copy), platform::tick_count()};
    WindowAnswer answer = ghost < answers.size() ? answers[ghost] : WindowAnswer::reject;
    int64_t result = answer == WindowAnswer::hang ? -1 : answer == WindowAnswer::accept ? 1 : 0;
    auto notify = listener;
    if (notify) {
        lock.unlock();
        notify(record, result);
        lock.lock();
    }
    if (keep_records)
        records.push_back(std::move(record));
    ++record_count;
    changed.notify_all();
    if (answer != WindowAnswer::hang)
        return result;
    changed.wait(lock, [ghost] {
        return stopping || ghost >= answers.size() || answers[ghost] != WindowAnswer::hang;
    });
    return -1;
}

} // namespace lumivox::ghost
