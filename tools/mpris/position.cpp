#include "tools/mpris/position.h"

#include <algorithm>
#include <cstdlib>

namespace lumivox::mpris {

namespace {

using std::chrono::duration_cast;
using std::chrono::microseconds;

constexpr auto shortest_span = std::chrono::milliseconds(30);

int64_t us_of(Clock::duration d) {
    return duration_cast<microseconds>(d).count();
}

// A reading taken just after its position changed: its lag behind the track
// is at most the time since the reading before it.
bool is_step(const std::vector<Reading>& readings, size_t i, std::chrono::milliseconds interval) {
    return i > 0 && readings[i].position_us != readings[i - 1].position_us &&
           readings[i].at - readings[i - 1].at <= 4 * interval;
}

} // namespace

std::optional<size_t> moving_since(const std::vector<Reading>& readings,
                                   std::chrono::milliseconds interval) {
    if (readings.empty())
        return std::nullopt;
    size_t last = readings.size() - 1;
    if (!is_step(readings, last, interval))
        return std::nullopt;
    const Reading& latest = readings[last];
    for (size_t i = last; i-- > 0;) {
        if (i != 0 && !is_step(readings, i, interval))
            continue;
        Clock::duration span = latest.at - readings[i].at;
        int64_t moved = latest.position_us - readings[i].position_us;
        if (span >= shortest_span && moved > 0 &&
            std::abs(moved - us_of(span)) <= us_of(moving_tolerance))
            return i;
    }
    return std::nullopt;
}

int64_t position_offset(const std::vector<Reading>& readings, size_t from) {
    int64_t best = INT64_MIN;
    for (size_t i = from; i < readings.size(); ++i)
        best = std::max(best, readings[i].position_us - us_of(readings[i].at.time_since_epoch()));
    return best;
}

int64_t position_at(int64_t offset_us, Clock::time_point at) {
    return offset_us + us_of(at.time_since_epoch());
}

} // namespace lumivox::mpris
