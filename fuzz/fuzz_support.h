// What the fuzz targets share: a check that ends the run as a crash, and a
// transport that checks every request and probe instead of sending them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumivox {
struct CharsetTrailer;
}

namespace lumivox::fuzz {

// Reports what failed and aborts, which libFuzzer records as a crash.
void require(bool condition, const char* what);

// Makes the checking transport active. Its probe checks that the key is a
// ghost key (".name", 0x01, a name, CR, under 2,048 bytes) and answers
// probe_answer; its deliver checks that the request is one whole request
// that fits the 4,096-byte buffer with its NUL, then accepts it.
void use_checking_transport(int probe_answer);
void set_probe_answer(int answer);

// Builds the request for script into a heap buffer of exactly the request
// buffer's size and checks it as the transport checks a delivery; the script
// it carries must be the start of script. Counts as no delivery.
void check_request(const char* script, const CharsetTrailer* trailer);

// Requests delivered since the last reset, and the script of the last one.
size_t delivered();
const std::string& last_script();
void reset_deliveries();

// A NUL-terminated heap copy of size bytes (a NUL among them ends the text
// early), exactly as long as the text so that ASan sees any read past it.
char* heap_text(const uint8_t* data, size_t size);

} // namespace lumivox::fuzz
