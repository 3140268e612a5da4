// The Direct probe's search over any listing image, with and without a
// ghost key. Input: one byte of mode (bit 0 a key, bit 1 the key as it
// stands instead of wrapped as ".name", 0x01, name, CR, bit 2 the listing in
// Shift_JIS rather than UTF-8); with a key, 2 bytes
// of name length (little-endian, cut to what remains) and the name; the rest
// is the image, header included. The image is the tail of libFuzzer's own
// copy of the input, which ends exactly where the input does, so any read
// past it is seen.
#include "fuzz/fuzz_support.h"

#include "sstp/direct.h"

#include <algorithm>
#include <cstdlib>
#include <string>

using namespace lumivox;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    uint8_t mode = data[0];
    const uint8_t* image = data + 1;
    size_t image_size = size - 1;

    char* key = nullptr;
    if ((mode & 1) != 0) {
        if (image_size < 2)
            return 0;
        size_t name_length = std::min<size_t>(image[0] | image[1] << 8, image_size - 2);
        std::string name(reinterpret_cast<const char*>(image + 2), name_length);
        image += 2 + name_length;
        image_size -= 2 + name_length;
        std::string wrapped = (mode & 2) != 0 ? name : ".name\x01" + name + "\r";
        key = fuzz::heap_text(reinterpret_cast<const uint8_t*>(wrapped.data()), wrapped.size());
    }

    platform::WindowHandle window = 0x5A5A;
    LeadBytes lead = (mode & 4) != 0 ? &shift_jis_lead_byte : nullptr;
    int found =
        find_ghost_window(reinterpret_cast<const char*>(image), image_size, key, lead, window);
    fuzz::require(found == 0 || found == 1, "the search answers 1 or 0");
    if (found == 0)
        fuzz::require(window == 0x5A5A, "a failed search leaves the window");
    if (image_size <= 4)
        fuzz::require(found == 0, "an image without text lists no ghost");
    std::free(key);
    return 0;
}
