// Shared by the Direct transport's tests: a mascot host that is stopped
// after each test, and helpers to send through the transport.
#pragma once

#include "sstp/direct.h"
#include "sstp/request.h"
#include "tools/ghost/mascot_host.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox::test {

class DirectTransport : public testing::Test {
  protected:
    void SetUp() override { ghost_window = 0; }
    void TearDown() override {
        ghost::host_stop();
        ghost_window = 0;
    }
};

inline std::string name_key(const std::string& name) {
    return ".name\x01" + name + "\r";
}

// Probes for the ghost of this name, given alike in both encodings (as an
// ASCII name is) unless a system code page form is given apart.
inline int probe_named(const std::string& name, const char* system_name = nullptr) {
    std::string utf8 = name_key(name);
    std::string system = name_key(system_name != nullptr ? system_name : name);
    GhostKey key{utf8.c_str(), system.c_str()};
    return direct_probe(&key);
}

// Builds the request for script with the UTF-8 ending and delivers it.
inline int deliver(const std::string& script) {
    char buffer[request_buffer_size];
    int32_t length = build_sstp_request(buffer, script.c_str(), trailer_utf8);
    return direct_deliver(buffer, length);
}

} // namespace lumivox::test
