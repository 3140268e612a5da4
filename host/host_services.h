// The host side of the component's interface: the host API, the services it
// hands out, track handles and text objects.
#pragma once

#include "component/service_api.h"

#include <string>
#include <utility>
#include <vector>

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

struct TrackField {
    std::string name;
    std::vector<std::string> values;
};

struct TrackInfo {
    std::string location; // "file://" + absolute path
    std::vector<TrackField> fields;
};

HostApi* host_api();

// What playback control's "paused" answers.
void set_paused(bool paused);

// The registered playback callbacks and their mask; nullptr when none.
PlaybackEvents* registered_events(uint32_t& mask);

// A new track handle holding one reference, which the receiver gives up.
TrackHandle* make_track(TrackInfo info);

// Host objects the component still holds references to, by name; empty when
// everything it obtained has been given back.
std::vector<std::string> outstanding_objects();

} // namespace lumivox::tools
