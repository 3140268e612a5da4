// The reading of a TCP reply's status over any received bytes: the input is
// what the receive put into the 4,096-byte request buffer (at most that).
#include "fuzz/fuzz_support.h"

#include "sstp/request.h"
#include "sstp/tcp.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace lumivox;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A heap block of exactly the buffer's size: ASan sees any access past it.
    auto* buffer = static_cast<char*>(std::malloc(request_buffer_size));
    fuzz::require(buffer != nullptr, "memory for the buffer");
    size_t received = std::min(size, request_buffer_size);
    std::memcpy(buffer, data, received);
    int accepted = sstp_reply_accepted(buffer, static_cast<int>(received));

    fuzz::require(accepted == 0 || accepted == 1, "the reading answers 1 or 0");
    if (received < 12) {
        fuzz::require(accepted == 0, "a reply shorter than 12 bytes fails");
    } else {
        // Only byte 12 may change: the NUL that ends the status.
        fuzz::require(
            std::memcmp(buffer, data, 12) == 0 &&
                (received <= 13 || std::memcmp(buffer + 13, data + 13, received - 13) == 0) &&
                buffer[12] == '\0',
            "the reading writes only the NUL at offset 12");
        const char* status = reinterpret_cast<const char*>(data) + 9;
        if (std::memcmp(status, "200", 3) == 0)
            fuzz::require(accepted == 1, "status 200 is accepted");
        // The status reads as a time value: "0.2" is 200 ms as well.
        if (accepted == 1)
            fuzz::require(std::memcmp(status, "200", 3) == 0 || std::memcmp(status, "0.2", 3) == 0,
                          "only status 200 is accepted");
    }
    std::free(buffer);
    return 0;
}
