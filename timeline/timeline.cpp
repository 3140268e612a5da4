#include "timeline/timeline.h"

namespace lumivox {

TimedLine* entries = nullptr;
int32_t count = 0;
char* template_prefix = nullptr;

} // namespace lumivox
