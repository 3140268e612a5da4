// Counts how often chosen heap blocks reach free(), for tests that check that
// an owner frees each block it was given exactly once. Available where the C
// library's free can be wrapped (glibc, without sanitizers: those check
// double frees and leaks themselves).
#pragma once

#include <vector>

namespace lumivox::test {

bool free_watch_available();

// Starts counting the frees of these blocks (at most 64), from zero.
void watch_frees(const std::vector<const void*>& blocks);
// Frees of each watched block so far, in the order given; stops watching.
std::vector<int> watched_frees();

} // namespace lumivox::test
