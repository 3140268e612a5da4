#include "fuzz/fuzz_support.h"

#include "sstp/request.h"
#include "sstp/transport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace lumivox::fuzz {

namespace {

int probe_result = 1;
size_t deliveries = 0;
std::string script;

constexpr char key_prefix[] = ".name\x01";
constexpr size_t key_prefix_length = sizeof key_prefix - 1;
constexpr size_t key_size = 2048;

bool ends_with(const char* text, size_t length, const CharsetTrailer* trailer) {
    return length >= trailer->length &&
           std::memcmp(text + length - trailer->length, trailer->text, trailer->length) == 0;
}

void check_key_text(const char* text) {
    if (text == nullptr)
        return;
    size_t length = std::strlen(text);
    require(length < key_size, "the ghost key fits its 2,048 bytes");
    require(length > key_prefix_length + 1 && std::memcmp(text, key_prefix, key_prefix_length) == 0,
            "the ghost key begins with .name and 0x01 and holds a name");
    require(text[length - 1] == '\r', "the ghost key ends with CR");
}

int checking_probe(const GhostKey* ghost_key) {
    require(ghost_key != nullptr, "the loader probes with a key");
    require(ghost_key->utf8 != nullptr || ghost_key->system != nullptr,
            "the ghost key names the ghost in one encoding at least");
    check_key_text(ghost_key->utf8);
    check_key_text(ghost_key->system);
    return probe_result;
}

// Checks one request of length bytes in buffer; returns its script.
std::string checked_script(const char* buffer, int32_t length) {
    require(length > 0 && static_cast<size_t>(length) < request_buffer_size,
            "the request fits the buffer with its NUL");
    auto size = static_cast<size_t>(length);
    require(buffer[size] == '\0', "the request ends with a NUL");
    require(std::memchr(buffer, '\0', size) == nullptr, "the request holds no NUL");
    require(size >= request_head_length &&
                std::memcmp(buffer, request_head, request_head_length) == 0,
            "the request begins with the head");
    const CharsetTrailer* trailer = nullptr;
    // The longer endings first: they all end like the plain one.
    for (const CharsetTrailer* t : {trailer_shift_jis, trailer_utf8, trailer_plain}) {
        if (ends_with(buffer, size, t)) {
            trailer = t;
            break;
        }
    }
    require(trailer != nullptr && size >= request_head_length + trailer->length,
            "the request ends with a whole charset ending");
    return std::string(buffer + request_head_length, size - request_head_length - trailer->length);
}

int checking_deliver(char* buffer, int32_t length) {
    script = checked_script(buffer, length);
    ++deliveries;
    return 1;
}

} // namespace

void require(bool condition, const char* what) {
    if (condition)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

void use_checking_transport(int probe_answer) {
    probe_result = probe_answer;
    active_transport = {&checking_probe, &checking_deliver};
    reset_deliveries();
}

void set_probe_answer(int answer) {
    probe_result = answer;
}

void check_request(const char* text, const CharsetTrailer* trailer) {
    auto* buffer = static_cast<char*>(std::malloc(request_buffer_size));
    require(buffer != nullptr, "memory for a request");
    int32_t length = build_sstp_request(buffer, text, trailer);
    std::string carried = checked_script(buffer, length);
    std::free(buffer);
    require(std::strncmp(text, carried.c_str(), carried.size()) == 0,
            "the request carries the start of the script");
}

size_t delivered() {
    return deliveries;
}

const std::string& last_script() {
    return script;
}

void reset_deliveries() {
    deliveries = 0;
    script.clear();
}

char* heap_text(const uint8_t* data, size_t size) {
    size_t length = 0;
    while (length < size && data[length] != 0)
        ++length;
    auto* text = static_cast<char*>(std::malloc(length + 1));
    require(text != nullptr, "memory for the input's text");
    std::memcpy(text, data, length);
    text[length] = '\0';
    return text;
}

} // namespace lumivox::fuzz
