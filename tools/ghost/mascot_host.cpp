#include "tools/ghost/mascot_host.h"

#include "platform/clock.h"
#include "tools/ghost/ghost_platform.h"
#include "tools/ghost/listing_writer.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace lumivox::ghost {

namespace {

std::mutex mutex;
std::condition_variable changed;
std::vector<platform::WindowHandle> windows;
std::vector<platform::WindowHandle> kero_windows;
std::vector<std::string> entry_ids;
std::vector<WindowAnswer> answers;
std::vector<CopyDataRecord> records;
// Set while the host goes away, so that hanging windows let go.
bool stopping = false;
bool keep_records = true;
size_t record_count = 0;
std::function<void(const CopyDataRecord&, int64_t)> listener;

// The kero's name, the same for every ghost: plain ASCII in either listing.
const char kero_name[] = "Kero";

ListedGhost listed(const GhostSpec& given, const std::string& id, const std::string& name,
                   platform::WindowHandle main, platform::WindowHandle kero) {
    std::string hwnd = given.hwnd_text.empty() ? window_text(main) : given.hwnd_text;
    return {
        id, hwnd, name, kero_name, window_text(kero), window_text(main) + "," + window_text(kero)};
}

} // namespace

bool host_start(const std::vector<GhostSpec>& ghosts, const HostOptions& options) {
    host_stop();
    {
        std::lock_guard<std::mutex> lock(mutex);
        records.clear();
        record_count = 0;
        stopping = false;
        answers.assign(ghosts.size(), WindowAnswer::accept);
    }
    std::vector<platform::WindowHandle> opened, kero_opened;
    for (size_t i = 0; i < ghosts.size(); ++i) {
        platform::WindowHandle window = open_ghost_window(i, false);
        platform::WindowHandle kero = window != 0 ? open_ghost_window(i, true) : 0;
        if (window != 0)
            opened.push_back(window);
        if (kero == 0)
            break;
        kero_opened.push_back(kero);
    }
    uint32_t process = host_process_id();
    std::vector<std::string> ids;
    std::vector<ListedGhost> ansi, unicode;
    for (size_t i = 0; i < kero_opened.size(); ++i) {
        const GhostSpec& g = ghosts[i];
        ids.push_back(g.id.empty() ? make_entry_id(options.ids, process, opened[i]) : g.id);
        unicode.push_back(listed(g, ids[i], g.name, opened[i], kero_opened[i]));
        ansi.push_back(listed(g, ids[i], to_system_code_page(g.name), opened[i], kero_opened[i]));
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        windows = opened;
        kero_windows = kero_opened;
        entry_ids = ids;
    }
    if (kero_opened.size() != ghosts.size() ||
        !listing_publish(ansi, options.unicode ? &unicode : nullptr, options.rewrite_surfaces)) {
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
        closing.insert(closing.end(), kero_windows.begin(), kero_windows.end());
        kero_windows.clear();
        entry_ids.clear();
    }
    changed.notify_all();
    listing_withdraw();
    for (platform::WindowHandle window : closing)
        close_ghost_window(window);
}

bool publish_raw_image(const std::string& image) {
    return listing_publish_raw(image, nullptr);
}

bool publish_raw_images(const std::string& sakura, const std::string& sakura_unicode) {
    return listing_publish_raw(sakura, &sakura_unicode);
}

bool hold_listing_locks(bool hold) {
    return listing_hold(hold);
}

platform::WindowHandle window_of(size_t ghost) {
    std::lock_guard<std::mutex> lock(mutex);
    return ghost < windows.size() ? windows[ghost] : 0;
}

platform::WindowHandle kero_window_of(size_t ghost) {
    std::lock_guard<std::mutex> lock(mutex);
    return ghost < kero_windows.size() ? kero_windows[ghost] : 0;
}

std::string entry_id(size_t ghost) {
    std::lock_guard<std::mutex> lock(mutex);
    return ghost < entry_ids.size() ? entry_ids[ghost] : std::string();
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

int64_t receive_copy_data(size_t ghost, bool kero, uint64_t data, const char* bytes,
                          uint32_t size) {
    std::unique_lock<std::mutex> lock(mutex);
    std::string copy = bytes != nullptr ? std::string(bytes, size) : std::string();
    CopyDataRecord record{ghost, data, size, std::move(copy), platform::tick_count(), kero};
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
