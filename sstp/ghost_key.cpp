#include "sstp/ghost_key.h"

#include "base/text.h"
#include "platform/codepage.h"
#include "sstp/request.h"

#include <cstdint>
#include <cstring>

namespace lumivox {

namespace {

// Each ghost key is built in 2,048 bytes: ".name", 0x01, the converted name
// with its CR, and a NUL.
constexpr uint32_t ghost_key_size = 2048;
constexpr char ghost_key_prefix[] = ".name\x01";
constexpr uint32_t ghost_key_prefix_length = sizeof ghost_key_prefix - 1;

platform::CodePage ghost_code_page() {
    if (current_trailer == trailer_shift_jis)
        return platform::CodePage::shift_jis;
    if (current_trailer == trailer_utf8)
        return platform::CodePage::utf8;
    return platform::CodePage::system;
}

// Builds the key of the ghost's name in the code page `to` into key
// (ghost_key_size bytes). False when the name has no exact form there or
// does not fit the key with its prefix, CR and NUL.
bool build_ghost_key(char* ghost, platform::CodePage to, char* key) {
    std::memcpy(key, ghost_key_prefix, ghost_key_prefix_length);
    uint32_t length = text_length(ghost);
    // The name goes over with a CR in place of its NUL.
    ghost[length] = '\r';
    uint32_t converted = platform::convert_code_page(ghost_code_page(), to, ghost, length + 1,
                                                     key + ghost_key_prefix_length,
                                                     ghost_key_size - ghost_key_prefix_length - 1);
    ghost[length] = '\0';
    if (converted == 0)
        return false;
    key[ghost_key_prefix_length + converted] = '\0';
    return true;
}

} // namespace

// The name goes to the probe in UTF-8 and in the system code page, for the
// mascot host's two listings. A name that converts to neither fails the
// check without a probe: the ghost the file asks for cannot be named.
bool probe_named_ghost(char* ghost) {
    char utf8_key[ghost_key_size];
    char system_key[ghost_key_size];
    GhostKey key{nullptr, nullptr};
    if (build_ghost_key(ghost, platform::CodePage::utf8, utf8_key))
        key.utf8 = utf8_key;
    if (build_ghost_key(ghost, platform::CodePage::system, system_key))
        key.system = system_key;
    if (key.utf8 == nullptr && key.system == nullptr)
        return false;
    return probe_ghost(&key) != 0;
}

} // namespace lumivox
