// A transport that records what would have been delivered, for tests that
// look at requests rather than sockets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumivox::test {

struct Delivery {
    uint32_t tick;     // platform tick when the request was handed over
    std::string bytes; // the request as delivered, without NUL
};

// Makes the recording transport active, forgets earlier records, and sets the
// answer of later deliveries and probes.
void use_recording_transport(int deliver_result = 1, int probe_result = 1);
void set_deliver_result(int result);
std::vector<Delivery> deliveries();
// The ghost keys the probe was called with, their UTF-8 texts and their
// system code page texts: "" for a probe without a key, "<none>" for a text
// the key does not have.
std::vector<std::string> probes();
std::vector<std::string> system_probes();
// The script of a recorded request: the bytes between the head and trailer.
std::string script_of(const std::string& request);

} // namespace lumivox::test
