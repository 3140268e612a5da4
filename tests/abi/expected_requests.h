// Checks the requests the listener records, one after the other, in the
// order the component must send them.
#pragma once

#include "win32_decls.h"

namespace abi {

// A request the component sends inside the call that was just made.
void expect_sent(const char* what, const char* script, const char* charset);

// A request due at `due_ms` after `origin` (a tick); it may come a little
// late, never early.
void expect_due(const char* what, const char* script, const char* charset, DWORD origin,
                long due_ms);

// A resumed line, sent at once after `origin`: `before` "\_w[N]" `after`,
// with N between the two bounds (the worker wakes a few ms after the report).
void expect_resumed(const char* what, const char* before, long min_wait, long max_wait,
                    const char* after, const char* charset, DWORD origin);

// Nothing more arrives within `ms`.
void expect_quiet(const char* what, DWORD ms);

// Every request that arrived has been checked.
void expect_no_more();

} // namespace abi
