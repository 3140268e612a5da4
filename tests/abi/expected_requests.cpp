#include "expected_requests.h"

#include "report.h"
#include "sstp_listener.h"
#include "text.h"

namespace abi {
namespace {

// A line may come this much after its time on a busy machine; before its
// time only by the clock's grain.
constexpr long late_ms = 500;
constexpr long early_ms = 30;
constexpr DWORD synchronous_wait_ms = 2000;

int next_request;

const SstpRequest* take(const char* what, DWORD deadline) {
    if (!listener_wait(next_request, deadline)) {
        check(false, "%s: no request arrived in time", what);
        return nullptr;
    }
    return &listener_request(next_request++);
}

void check_envelope(const char* what, const SstpRequest& request, const char* charset) {
    check(request.well_formed && strcmp(request.charset, charset) == 0,
          "%s: a whole SSTP request with %s%s (%s)", what, *charset != '\0' ? "Charset " : "",
          *charset != '\0' ? charset : "no Charset",
          request.well_formed ? "well formed" : "malformed");
}

void check_timing(const char* what, const SstpRequest& request, DWORD origin, long due_ms) {
    long at = static_cast<long>(request.tick - origin);
    check(at >= due_ms - early_ms && at <= due_ms + late_ms,
          "%s: came %ld ms after the report, due at %ld", what, at, due_ms);
}

} // namespace

void expect_sent(const char* what, const char* script, const char* charset) {
    const SstpRequest* request = take(what, GetTickCount() + synchronous_wait_ms);
    if (request == nullptr)
        return;
    check_text(what, request->script, script);
    check_envelope(what, *request, charset);
}

void expect_due(const char* what, const char* script, const char* charset, DWORD origin,
                long due_ms) {
    const SstpRequest* request = take(what, origin + static_cast<DWORD>(due_ms + late_ms + 1000));
    if (request == nullptr)
        return;
    check_text(what, request->script, script);
    check_envelope(what, *request, charset);
    check_timing(what, *request, origin, due_ms);
}

void expect_resumed(const char* what, const char* before, long min_wait, long max_wait,
                    const char* after, const char* charset, DWORD origin) {
    const SstpRequest* request = take(what, origin + late_ms + 1000);
    if (request == nullptr)
        return;
    const char* script = request->script;
    size_t before_length = strlen(before);
    const char* wait = script + before_length;
    bool shaped = strncmp(script, before, before_length) == 0 && strncmp(wait, "\\_w[", 4) == 0;
    long remaining = -1;
    const char* rest = wait + 4;
    if (shaped) {
        remaining = 0;
        while (*rest >= '0' && *rest <= '9')
            remaining = remaining * 10 + (*rest++ - '0');
        shaped = *rest++ == ']' && strcmp(rest, after) == 0;
    }
    char expected[512];
    format_to(expected, sizeof expected, "%s\\_w[%ld..%ld]%s", before, min_wait, max_wait, after);
    if (!check(shaped && remaining >= min_wait && remaining <= max_wait, "%s: the rest of the line",
               what)) {
        say("    got:      \"%s\"", script);
        say("    expected: \"%s\"", expected);
    }
    check_envelope(what, *request, charset);
    check_timing(what, *request, origin, 0);
}

void expect_quiet(const char* what, DWORD ms) {
    bool quiet = !listener_wait(next_request, GetTickCount() + ms);
    if (!check(quiet, "%s: no request within %lu ms", what, ms))
        say("    got: \"%s\"", listener_request(next_request++).script);
}

void expect_no_more() {
    int extra = listener_count() - next_request;
    check(extra == 0, "no request beyond the expected ones (%d more)", extra);
}

} // namespace abi
