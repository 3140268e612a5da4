// Delivery straight to the ghost's window, found in the shared memory "Sakura".
#pragma once

#include <cstdint>

namespace lumivox {

int direct_probe(const char* ghost_key);
int direct_deliver(char* buffer, int32_t length);

} // namespace lumivox
