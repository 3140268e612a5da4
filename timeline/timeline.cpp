#include "timeline/timeline.h"

#include <cstdlib>

namespace lumivox {

TimedLine* entries = nullptr;
int32_t count = 0;
char* template_prefix = nullptr;

void free_timeline() {
    if (entries != nullptr) {
        for (int32_t i = 0; i < count; ++i) {
            if (!entries[i].shared)
                std::free(entries[i].text);
        }
        std::free(entries);
    }
    entries = nullptr;
    count = 0;
    std::free(template_prefix);
    template_prefix = nullptr;
}

} // namespace lumivox
