#include "tests/sync/fixture.h"

#include "platform/lock.h"
#include "sync/scheduler.h"
#include "sync/sync_objects.h"
#include "timeline/text.h"
#include "timeline/timeline.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace lumivox::test {

void load_timeline(const std::vector<Line>& lines, const char* prefix) {
    count = static_cast<int32_t>(lines.size());
    entries = static_cast<TimedLine*>(std::malloc(sizeof(TimedLine) * lines.size()));
    for (size_t i = 0; i < lines.size(); ++i) {
        entries[i].time = lines[i].time;
        entries[i].shared = lines[i].owner >= 0;
        entries[i].text =
            entries[i].shared || lines[i].text == nullptr ? nullptr : dup_string(lines[i].text);
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (entries[i].shared)
            entries[i].text = entries[lines[i].owner].text;
    }
    template_prefix = prefix == nullptr ? nullptr : dup_string(prefix);
}

std::vector<Delivery> wait_for_deliveries(size_t n, int timeout_ms) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        std::vector<Delivery> recorded = deliveries();
        if (recorded.size() >= n || std::chrono::steady_clock::now() >= until)
            return recorded;
        sleep_ms(2);
    }
}

void sleep_ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::vector<std::string> delivered_scripts() {
    std::vector<std::string> scripts;
    for (const Delivery& d : deliveries())
        scripts.push_back(script_of(d.bytes));
    return scripts;
}

int32_t current_line_pos() {
    platform::lock_enter(sync_lock);
    int32_t pos = line_pos;
    platform::lock_leave(sync_lock);
    return pos;
}

bool wait_for_state(int32_t state, int timeout_ms) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (sync_state.load() != state) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        sleep_ms(1);
    }
    return true;
}

} // namespace lumivox::test
