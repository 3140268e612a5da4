#include "timeline/load_report.h"

namespace lumivox {

const LoadObserver* load_observer = nullptr;

void report_candidate(const char* name, CandidateVerdict verdict) {
    if (load_observer != nullptr && load_observer->candidate != nullptr)
        load_observer->candidate(name, verdict);
}

void report_line(const char* text, LineVerdict verdict) {
    if (load_observer != nullptr && load_observer->line != nullptr)
        load_observer->line(text, verdict);
}

void report_charset(const CharsetReport& report) {
    if (load_observer != nullptr && load_observer->charset != nullptr)
        load_observer->charset(report);
}

} // namespace lumivox
