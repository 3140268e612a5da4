#include "tests/support/recording_transport.h"

#include "platform/clock.h"
#include "sstp/request.h"
#include "sstp/transport.h"

#include <mutex>

namespace lumivox::test {

namespace {

std::mutex mutex;
std::vector<Delivery> recorded;
std::vector<std::string> probed;
std::vector<std::string> probed_system;
int deliver_answer = 1;
int probe_answer = 1;

std::string key_text(const GhostKey* key, const char* GhostKey::*text) {
    if (key == nullptr)
        return "";
    return key->*text != nullptr ? key->*text : "<none>";
}

int record_probe(const GhostKey* ghost_key) {
    std::lock_guard<std::mutex> lock(mutex);
    probed.push_back(key_text(ghost_key, &GhostKey::utf8));
    probed_system.push_back(key_text(ghost_key, &GhostKey::system));
    return probe_answer;
}

int record_deliver(char* buffer, int32_t length) {
    std::lock_guard<std::mutex> lock(mutex);
    recorded.push_back({platform::tick_count(), std::string(buffer, static_cast<size_t>(length))});
    return deliver_answer;
}

} // namespace

void use_recording_transport(int deliver_result, int probe_result) {
    std::lock_guard<std::mutex> lock(mutex);
    recorded.clear();
    probed.clear();
    probed_system.clear();
    deliver_answer = deliver_result;
    probe_answer = probe_result;
    active_transport = {&record_probe, &record_deliver};
}

void set_deliver_result(int result) {
    std::lock_guard<std::mutex> lock(mutex);
    deliver_answer = result;
}

std::vector<Delivery> deliveries() {
    std::lock_guard<std::mutex> lock(mutex);
    return recorded;
}

std::vector<std::string> probes() {
    std::lock_guard<std::mutex> lock(mutex);
    return probed;
}

std::vector<std::string> system_probes() {
    std::lock_guard<std::mutex> lock(mutex);
    return probed_system;
}

std::string script_of(const std::string& request) {
    std::string body = request.substr(request_head_length);
    // The charset endings all end like the plain one: try the longer first.
    for (const CharsetTrailer* trailer : {trailer_shift_jis, trailer_utf8, trailer_plain}) {
        std::string ending(trailer->text, trailer->length);
        if (body.size() >= ending.size() &&
            body.compare(body.size() - ending.size(), ending.size(), ending) == 0)
            return body.substr(0, body.size() - ending.size());
    }
    return body;
}

} // namespace lumivox::test
