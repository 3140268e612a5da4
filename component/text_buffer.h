// TextBuffer: a growable NUL-terminated UTF-8 string with the host's text
// operations, so that texts can be handed to the host and filled by it.
#pragma once

#include "base/host_api.h"

#include <cstdint>

namespace lumivox {

// Storage grows and shrinks by one rule: with needed = length + 1, storage is
// reallocated to (needed | 15) + 1 bytes when it is smaller than needed or
// more than 16 bytes larger; otherwise it stays. When storage cannot be had
// (the allocator fails, or the size would pass 32 bits), the text is left as
// it was: append changes nothing and lock_buffer gives nullptr. A max past
// 32 bits reads as the whole text.
class TextBuffer final : public HostText {
  public:
    constexpr TextBuffer() = default;
    ~TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // The operations in the host's order.
    void append(const char* text, size_t max) override;
    const char* get() override;
    void set(const char* text, size_t max) override;
    void truncate(size_t n) override;
    size_t length() override;
    char* lock_buffer(size_t n) override;
    void unlock_buffer() override;

    uint32_t capacity() const { return capacity_; }
    // Frees the storage; the buffer reads as "" again.
    void release();
    // Exchanges contents and storage with other.
    void swap(TextBuffer& other);

  private:
    bool fit(uint64_t needed);
    bool owns(const char* text) const;
    char* copy_if_own(const char* text, uint32_t n, bool& own) const;
    void append_bytes(const char* bytes, uint32_t n);

    char* data_ = nullptr;
    uint32_t capacity_ = 0;
    uint32_t length_ = 0;
};

// A module-level TextBuffer whose destructor never runs. The module's own
// teardown frees its storage explicitly; static destructors of other files
// run in an order no file controls and must not meet it destroyed.
union StaticTextBuffer {
    TextBuffer text;
    constexpr StaticTextBuffer() : text() {}
    ~StaticTextBuffer() {}
};

// Calls unlock_buffer when it goes out of scope, also when a host stream
// throws while the buffer is locked.
class UnlockGuard {
  public:
    explicit UnlockGuard(HostText& text) : text_(text) {}
    ~UnlockGuard() { text_.unlock_buffer(); }
    UnlockGuard(const UnlockGuard&) = delete;
    UnlockGuard& operator=(const UnlockGuard&) = delete;

  private:
    HostText& text_;
};

} // namespace lumivox
