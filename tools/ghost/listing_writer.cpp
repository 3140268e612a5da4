#include "tools/ghost/listing_writer.h"

#include "tools/ghost/ghost_platform.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace lumivox::ghost {

namespace {

struct Listing {
    const char* name;
    const char* lock_name;
    SharedObject object;
    uintptr_t lock = 0;
    std::vector<ListedGhost> ghosts;
    size_t written = 0; // bytes of text in the view, before its NUL
};

// "Sakura" first: a host without the other one publishes only that.
Listing listings[2] = {{"Sakura", "SakuraFMO", {}, 0, {}, 0},
                       {"SakuraUnicode", "SakuraUnicodeFMO", {}, 0, {}, 0}};

// One caller at a time changes what is published.
std::mutex control;

std::thread rewriter;
std::atomic<bool> rewrite_stop{false};

enum class HoldState { none, taking, held, failed };
std::mutex hold_mutex;
std::condition_variable hold_changed;
HoldState hold_state = HoldState::none;
bool hold_release = false;
std::thread holder;

// Long enough for any writer's turn; short enough to notice a stop soon.
constexpr int lock_attempt_ms = 50;

using namespace std::chrono_literals;

void write_header(char* view, size_t size) {
    for (size_t i = 0; i < listing_header_size; ++i)
        view[i] = static_cast<char>((size >> (8 * i)) & 0xFF);
}

// The text, its NUL, and zeros over whatever a longer text left behind.
void write_text(Listing& l, const std::string& text, size_t from) {
    char* start = l.object.view + listing_header_size;
    std::memcpy(start + from, text.data() + from, text.size() - from);
    size_t end = std::max(text.size(), l.written) + 1;
    std::memset(start + text.size(), 0, end - text.size());
    l.written = text.size();
}

// Under the lock: the text ends at once, the new one is written behind the
// cut and stays cut for a while, then the first byte comes back. A reader
// that does not take the lock sees an empty or half-written listing.
void write_torn(Listing& l, const std::string& text) {
    char* start = l.object.view + listing_header_size;
    start[0] = '\0';
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (!text.empty())
        write_text(l, text, 1);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    std::this_thread::sleep_for(1ms);
    if (!text.empty())
        start[0] = text[0];
    std::atomic_thread_fence(std::memory_order_seq_cst);
}

void rewrite_surfaces() {
    for (size_t round = 1; !rewrite_stop; ++round) {
        for (Listing& l : listings) {
            if (l.object.view == nullptr || rewrite_stop)
                continue;
            std::string text = listing_text(l.ghosts, round);
            // Held by a reader or by listing_hold: try again next round.
            if (!writer_lock_take(l.lock, lock_attempt_ms))
                continue;
            write_torn(l, text);
            writer_lock_release(l.lock);
            std::this_thread::sleep_for(1ms);
        }
    }
}

void stop_rewriting() {
    rewrite_stop = true;
    if (rewriter.joinable())
        rewriter.join();
    rewrite_stop = false;
}

bool release_requested() {
    std::lock_guard<std::mutex> lock(hold_mutex);
    return hold_release;
}

// Runs on its own thread: a Windows mutex belongs to the thread that took it.
void hold_locks() {
    std::vector<uintptr_t> taken;
    bool all = true;
    for (Listing& l : listings) {
        if (l.lock == 0)
            continue;
        while (all && !writer_lock_take(l.lock, lock_attempt_ms))
            all = !release_requested();
        if (!all)
            break;
        taken.push_back(l.lock);
    }
    {
        std::unique_lock<std::mutex> lock(hold_mutex);
        hold_state = all && !taken.empty() ? HoldState::held : HoldState::failed;
        hold_changed.notify_all();
        hold_changed.wait(lock, [] { return hold_release; });
    }
    for (auto it = taken.rbegin(); it != taken.rend(); ++it)
        writer_lock_release(*it);
}

void stop_holding() {
    if (!holder.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(hold_mutex);
        hold_release = true;
    }
    hold_changed.notify_all();
    holder.join();
    std::lock_guard<std::mutex> lock(hold_mutex);
    hold_state = HoldState::none;
}

bool holding() {
    std::lock_guard<std::mutex> lock(hold_mutex);
    return hold_state == HoldState::held;
}

void withdraw_objects() {
    stop_rewriting();
    for (Listing& l : listings) {
        object_withdraw(l.name, l.object);
        l.ghosts.clear();
        l.written = 0;
    }
}

void withdraw_all() {
    stop_holding();
    withdraw_objects();
    for (Listing& l : listings) {
        writer_lock_close(l.lock_name, l.lock);
        l.lock = 0;
    }
}

// Makes the object and writes bytes at its start, under its lock when there
// is one (unless listing_hold holds it for us already).
bool publish_bytes(Listing& l, size_t size, const std::string& bytes) {
    bool take = l.lock != 0 && !holding();
    if (take && !writer_lock_take(l.lock, 1000))
        return false;
    bool made = object_publish(l.name, size, l.object);
    if (made)
        std::memcpy(l.object.view, bytes.data(), bytes.size());
    if (take)
        writer_lock_release(l.lock);
    return made;
}

} // namespace

bool listing_publish(const std::vector<ListedGhost>& ansi, const std::vector<ListedGhost>* unicode,
                     bool rewrite) {
    std::lock_guard<std::mutex> guard(control);
    withdraw_all();
    listings[0].ghosts = ansi;
    if (unicode != nullptr)
        listings[1].ghosts = *unicode;
    size_t count = unicode != nullptr ? 2 : 1;
    bool published = true;
    for (size_t i = 0; i < count && published; ++i) {
        Listing& l = listings[i];
        std::string text = listing_text(l.ghosts, 0);
        l.lock = writer_lock_open(l.lock_name);
        published = l.lock != 0 && longest_listing_text(l.ghosts) <= listing_text_max;
        if (published) {
            std::string header(listing_header_size, '\0');
            write_header(header.data(), listing_object_size);
            published = publish_bytes(l, listing_object_size, header + text);
            l.written = text.size();
        }
    }
    if (!published) {
        withdraw_all();
        return false;
    }
    if (rewrite)
        rewriter = std::thread(rewrite_surfaces);
    return true;
}

bool listing_publish_raw(const std::string& sakura, const std::string* sakura_unicode) {
    std::lock_guard<std::mutex> guard(control);
    withdraw_objects();
    bool published = publish_bytes(listings[0], sakura.size(), sakura);
    if (published && sakura_unicode != nullptr)
        published = publish_bytes(listings[1], sakura_unicode->size(), *sakura_unicode);
    return published;
}

bool listing_hold(bool hold) {
    std::lock_guard<std::mutex> guard(control);
    if (!hold) {
        stop_holding();
        return true;
    }
    if (holder.joinable())
        return holding();
    {
        std::lock_guard<std::mutex> lock(hold_mutex);
        hold_state = HoldState::taking;
        hold_release = false;
    }
    holder = std::thread(hold_locks);
    bool held;
    {
        std::unique_lock<std::mutex> lock(hold_mutex);
        hold_changed.wait_for(lock, 5s, [] { return hold_state != HoldState::taking; });
        held = hold_state == HoldState::held;
    }
    if (!held)
        stop_holding();
    return held;
}

void listing_withdraw() {
    std::lock_guard<std::mutex> guard(control);
    withdraw_all();
}

} // namespace lumivox::ghost
