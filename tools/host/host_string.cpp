#include "tools/host/host_string.h"

#include <cstring>

namespace lumivox::tools {

namespace {

// Up to length bytes, or to the terminator, whichever comes first.
size_t span(const char* text, size_t length) {
    size_t n = 0;
    while (n < length && text[n] != '\0')
        ++n;
    return n;
}

} // namespace

void HostString::add_string(const char* text, size_t length) {
    data_.append(text, span(text, length));
}

void HostString::set_string(const char* text, size_t length) {
    // The text may point into this object's own storage.
    std::string copy(text, span(text, length));
    data_.swap(copy);
}

void HostString::truncate(size_t length) {
    if (data_.size() > length)
        data_.resize(length);
}

char* HostString::lock_buffer(size_t length) {
    data_.resize(length);
    return data_.data();
}

void HostString::unlock_buffer() {
    data_.resize(std::strlen(data_.c_str()));
}

} // namespace lumivox::tools
