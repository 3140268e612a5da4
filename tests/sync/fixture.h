// Helpers of the scheduler tests: Timelines built the way the loader leaves
// them, and waiting for deliveries.
#pragma once

#include "tests/support/recording_transport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumivox::test {

// One entry. With owner >= 0 the entry shares the text of entry `owner`
// (another tag of the same lyric line) and text is ignored; without, a text
// of nullptr makes the entry a pause.
struct Line {
    int32_t time;
    const char* text;
    int owner = -1;
};

// Fills entries/count (malloc'd, as the loader does) and template_prefix
// (a malloc'd copy of prefix, or none).
void load_timeline(const std::vector<Line>& lines, const char* prefix = nullptr);

// Waits until at least n deliveries were recorded or timeout_ms passed;
// returns what was recorded.
std::vector<Delivery> wait_for_deliveries(size_t n, int timeout_ms);

void sleep_ms(int ms);

// The scripts of the recorded deliveries, in order.
std::vector<std::string> delivered_scripts();

// Line position and state as the worker sees them (read under sync_lock).
int32_t current_line_pos();

// Waits until the state reads `state` or timeout_ms passed; true if it did.
bool wait_for_state(int32_t state, int timeout_ms);

} // namespace lumivox::test
