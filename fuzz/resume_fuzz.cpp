// The mid-line resume over any line text and elapsed time. Input: 4 bytes of
// elapsed ms (little-endian, any int32), one byte of flags (bits 0-1 the
// trailer, bit 2 a template prefix), then with bit 2 the prefix up to the
// first NUL, then the line's text.
#include "fuzz/fuzz_support.h"

#include "sstp/request.h"
#include "sync/resume.h"
#include "timeline/timeline.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace lumivox;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::use_checking_transport(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5)
        return 0;
    uint32_t raw = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                   static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
    auto elapsed = static_cast<int32_t>(raw);
    uint8_t flags = data[4];
    const uint8_t* bytes = data + 5;
    size_t length = size - 5;

    current_trailer = &charset_trailers[(flags & 3) % 3];
    template_prefix = nullptr;
    if ((flags & 4) != 0) {
        template_prefix = fuzz::heap_text(bytes, length);
        size_t taken = std::min(length, std::strlen(template_prefix) + 1);
        bytes += taken;
        length -= taken;
    }
    char* text = fuzz::heap_text(bytes, length);

    fuzz::reset_deliveries();
    resume_line(elapsed, text);
    fuzz::require(fuzz::delivered() <= 1, "a resume sends one request at most");
    if (fuzz::delivered() == 1 && template_prefix != nullptr) {
        const std::string& script = fuzz::last_script();
        size_t n = std::min(script.size(), std::strlen(template_prefix));
        fuzz::require(std::memcmp(script.data(), template_prefix, n) == 0,
                      "the resumed script begins with the template's prefix");
    }

    std::free(text);
    std::free(template_prefix);
    template_prefix = nullptr;
    return 0;
}
