#include "host/host_string.h"

#include <cstring>

namespace lumivox::tools {

void HostString::append(const char* text, uint32_t max) {
    size_t n = 0;
    while (n < max && text[n] != '\0')
        ++n;
    data_.append(text, n);
}

void HostString::set(const char* text, uint32_t max) {
    // The text may point into this object's own storage.
    std::string copy;
    size_t n = 0;
    while (n < max && text[n] != '\0')
        ++n;
    copy.assign(text, n);
    data_.swap(copy);
}

void HostString::truncate(uint32_t n) {
    if (data_.size() > n)
        data_.resize(n);
}

char* HostString::lock_buffer(uint32_t n) {
    data_.resize(n);
    return data_.data();
}

void HostString::unlock_buffer() {
    data_.resize(std::strlen(data_.c_str()));
}

} // namespace lumivox::tools
