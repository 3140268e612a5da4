#include "sstp/direct.h"

namespace lumivox {

// Direct delivery is not built yet: no ghost window is ever found.
int direct_probe(const char*) {
    return 0;
}
int direct_deliver(char*, int32_t) {
    return 0;
}

} // namespace lumivox
