#include "timeline/load_report.h"

namespace lumivox {

void report_candidate(const LoadObserver* observer, const char* name, CandidateVerdict verdict) {
    if (observer != nullptr && observer->candidate != nullptr)
        observer->candidate(name, verdict);
}

void report_line(const LoadObserver* observer, const char* text, LineVerdict verdict) {
    if (observer != nullptr && observer->line != nullptr)
        observer->line(text, verdict);
}

void report_charset(const LoadObserver* observer, const CharsetReport& report) {
    if (observer != nullptr && observer->charset != nullptr)
        observer->charset(report);
}

} // namespace lumivox
