#include "tools/host/trace.h"

#include "tools/common/monotonic.h"

#include <cstdio>

namespace lumivox::tools {

namespace {
bool tracing = false;
}

void enable_trace(bool on) {
    tracing = on;
}

void trace(const std::string& line) {
    if (!tracing)
        return;
    std::fprintf(stderr, "%.3f host: %s\n", monotonic_ms(), line.c_str());
    std::fflush(stderr);
}

} // namespace lumivox::tools
