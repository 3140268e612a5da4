#include "component/text_buffer.h"

#include "base/text.h"

#include <cstdlib>
#include <cstring>

namespace lumivox {

namespace {

constexpr uint64_t largest_storage = 0xFFFFFFFFu;
constexpr uint64_t spare_allowed = 16;

// No text held here reaches 4 GiB, so a larger max is the same as all ones.
uint32_t text_limit(size_t max) {
    return max >= largest_storage ? 0xFFFFFFFFu : static_cast<uint32_t>(max);
}

} // namespace

// Releasing leaves the buffer empty, so that the module's teardown and the
// static destructors may meet the settings in either order.
TextBuffer::~TextBuffer() {
    release();
}

bool TextBuffer::fit(uint64_t needed) {
    if (capacity_ >= needed && capacity_ <= needed + spare_allowed)
        return true;
    uint64_t size = (needed | 15u) + 1;
    if (size > largest_storage)
        return false;
    void* storage = std::realloc(data_, static_cast<size_t>(size));
    if (storage == nullptr)
        return false;
    data_ = static_cast<char*>(storage);
    capacity_ = static_cast<uint32_t>(size);
    return true;
}

// bytes must not lie in this buffer's storage, which fit may move.
void TextBuffer::append_bytes(const char* bytes, uint32_t n) {
    if (!fit(static_cast<uint64_t>(length_) + n + 1))
        return;
    std::memcpy(data_ + length_, bytes, n);
    length_ += n;
    data_[length_] = '\0';
}

bool TextBuffer::owns(const char* text) const {
    auto at = reinterpret_cast<uintptr_t>(text);
    auto start = reinterpret_cast<uintptr_t>(data_);
    return data_ != nullptr && at >= start && at - start < capacity_;
}

// A text taken from this buffer itself (its own get(), or a stale part
// behind a truncation) is copied out first: the storage may move or shrink.
char* TextBuffer::copy_if_own(const char* text, uint32_t n, bool& own) const {
    own = owns(text);
    if (!own)
        return const_cast<char*>(text);
    char* copy = static_cast<char*>(std::malloc(n == 0 ? 1 : n));
    if (copy != nullptr)
        std::memcpy(copy, text, n);
    return copy;
}

void TextBuffer::append(const char* text, size_t max) {
    uint32_t n = text_length_max(text, text_limit(max));
    bool own = false;
    char* bytes = copy_if_own(text, n, own);
    if (bytes == nullptr)
        return;
    append_bytes(bytes, n);
    if (own)
        std::free(bytes);
}

const char* TextBuffer::get() {
    return data_ != nullptr ? data_ : "";
}

// truncate(0) then append, except that a text that cannot be stored leaves
// the old one in place.
void TextBuffer::set(const char* text, size_t max) {
    uint32_t n = text_length_max(text, text_limit(max));
    bool own = false;
    char* bytes = copy_if_own(text, n, own);
    if (bytes == nullptr)
        return;
    if (fit(static_cast<uint64_t>(n) + 1)) {
        std::memcpy(data_, bytes, n);
        length_ = n;
        data_[n] = '\0';
    }
    if (own)
        std::free(bytes);
}

void TextBuffer::truncate(size_t n) {
    if (length_ > n) {
        length_ = static_cast<uint32_t>(n);
        data_[n] = '\0';
    }
}

size_t TextBuffer::length() {
    return length_;
}

char* TextBuffer::lock_buffer(size_t n) {
    if (n >= largest_storage || !fit(static_cast<uint64_t>(n) + 1))
        return nullptr;
    // The storage may have shrunk below the old length: the text now ends at
    // the terminator written at n at the latest.
    if (length_ > n)
        length_ = static_cast<uint32_t>(n);
    data_[n] = '\0';
    return data_;
}

void TextBuffer::unlock_buffer() {
    if (data_ == nullptr)
        return;
    length_ = text_length_max(data_, capacity_);
    // Without room to grow, the last byte of the storage becomes the
    // terminator.
    if (!fit(static_cast<uint64_t>(length_) + 1) && length_ >= capacity_)
        length_ = capacity_ - 1;
    data_[length_] = '\0';
}

void TextBuffer::release() {
    std::free(data_);
    data_ = nullptr;
    capacity_ = 0;
    length_ = 0;
}

void TextBuffer::swap(TextBuffer& other) {
    char* data = data_;
    uint32_t capacity = capacity_;
    uint32_t length = length_;
    data_ = other.data_;
    capacity_ = other.capacity_;
    length_ = other.length_;
    other.data_ = data;
    other.capacity_ = capacity;
    other.length_ = length;
}

} // namespace lumivox
