// Fetching one document over HTTP or HTTPS with the system's own client:
// WinHTTP on Windows, loaded at run time as the socket library is, and
// libcurl elsewhere. A fetch blocks the thread that makes it; another thread
// may cancel it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumivox::platform {

struct HttpLimits {
    uint32_t connect_ms; // to reach the server
    uint32_t total_ms;   // for the whole exchange, from the call
    uint32_t max_bytes;  // a longer body is refused
};

enum class HttpResult {
    answered,  // status and body are set, whatever the status
    cancelled, // http_cancel was called
    timed_out,
    too_large, // the body, or its announced length, passes max_bytes
    failed,    // no client, a bad address, no connection, a broken answer
};

struct HttpAnswer {
    int status = 0;
    // malloc'd, with a NUL after length bytes; the caller frees it. nullptr
    // unless answered.
    char* body = nullptr;
    size_t length = 0;
};

// A fetch's cancellation, shared between the fetching thread and the one
// that may cancel it. nullptr when it cannot be made.
struct HttpCancel;
HttpCancel* http_cancel_create();
// Only once no fetch uses it and no thread may still cancel it.
void http_cancel_destroy(HttpCancel* cancel);
// From any thread: the fetch using it (now or later) ends as soon as it can,
// cancelled. On Windows a request the system cannot abort at once (Wine's
// WinHTTP) still holds its thread until its own time-outs end it.
void http_cancel(HttpCancel* cancel);

// GET url (UTF-8, http:// or https://) with user_agent. Never throws.
HttpResult http_get(const char* url, const char* user_agent, const HttpLimits& limits,
                    HttpCancel* cancel, HttpAnswer& answer);

// Releases libcurl's global state when it was set up; WinHTTP, once
// loaded, stays for the process's life. No fetch may run.
void http_unload();

} // namespace lumivox::platform
