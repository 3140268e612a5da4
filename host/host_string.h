// The host's text object, the one it hands the component wherever the
// interface takes a text to fill.
#pragma once

#include "component/service_api.h"

#include <cstdint>
#include <string>

namespace lumivox::tools {

// A host text object over std::string.
class HostString final : public HostText {
  public:
    void append(const char* text, uint32_t max) override;
    const char* get() override { return data_.c_str(); }
    void set(const char* text, uint32_t max) override;
    void truncate(uint32_t n) override;
    uint32_t length() override { return static_cast<uint32_t>(data_.size()); }
    char* lock_buffer(uint32_t n) override;
    void unlock_buffer() override;

  private:
    std::string data_;
};

} // namespace lumivox::tools
