// The host's text object, the one it hands the component wherever the
// interface takes a text to fill.
#pragma once

#include "tools/host/player_api.h"

#include <string>

namespace lumivox::tools {

// A host text object over std::string.
class HostString final : public string_base {
  public:
    void add_string(const char* text, size_t length) override;
    const char* get_ptr() override { return data_.c_str(); }
    void set_string(const char* text, size_t length) override;
    void truncate(size_t length) override;
    size_t get_length() override { return data_.size(); }
    char* lock_buffer(size_t length) override;
    void unlock_buffer() override;

    const char* get() const { return data_.c_str(); }

  private:
    std::string data_;
};

} // namespace lumivox::tools
