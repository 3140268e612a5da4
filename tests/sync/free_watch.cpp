#include "tests/sync/free_watch.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define LUMIVOX_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define LUMIVOX_SANITIZED 1
#endif

namespace lumivox::test {

namespace {

constexpr size_t capacity = 64;
std::atomic<bool> watching{false};
std::atomic<const void*> blocks_watched[capacity];
std::atomic<int> frees_counted[capacity];
size_t watched_count = 0;

[[maybe_unused]] void note_free(const void* block) {
    if (!watching.load(std::memory_order_acquire) || block == nullptr)
        return;
    for (size_t i = 0; i < capacity; ++i) {
        if (blocks_watched[i].load(std::memory_order_relaxed) == block)
            ++frees_counted[i];
    }
}

} // namespace

void watch_frees(const std::vector<const void*>& blocks) {
    watching = false;
    watched_count = blocks.size() < capacity ? blocks.size() : capacity;
    for (size_t i = 0; i < capacity; ++i) {
        blocks_watched[i] = i < watched_count ? blocks[i] : nullptr;
        frees_counted[i] = 0;
    }
    watching.store(true, std::memory_order_release);
}

std::vector<int> watched_frees() {
    watching = false;
    std::vector<int> counts;
    for (size_t i = 0; i < watched_count; ++i)
        counts.push_back(frees_counted[i].load());
    return counts;
}

} // namespace lumivox::test

#if defined(__GLIBC__) && !defined(LUMIVOX_SANITIZED)

// glibc's own free stays reachable under this name; the program's free
// replaces it for every caller, the component's library included.
extern "C" void __libc_free(void* block);

extern "C" void free(void* block) {
    lumivox::test::note_free(block);
    __libc_free(block);
}

namespace lumivox::test {
bool free_watch_available() {
    return true;
}
} // namespace lumivox::test

#else

namespace lumivox::test {
bool free_watch_available() {
    return false;
}
} // namespace lumivox::test

#endif
