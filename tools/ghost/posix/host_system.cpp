#include "tools/ghost/ghost_platform.h"

#include <unistd.h>

namespace lumivox::ghost {

uint32_t host_process_id() {
    return static_cast<uint32_t>(getpid());
}

// The system code page is UTF-8 here.
std::string to_system_code_page(const std::string& utf8) {
    return utf8;
}

} // namespace lumivox::ghost
