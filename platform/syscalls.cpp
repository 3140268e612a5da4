// Putting the real calls back, the same on both lanes; each lane's
// syscalls.cpp holds its real calls.
#include "platform/syscalls.h"

namespace lumivox::platform {

namespace {

// Writes only an entry that differs, so that restoring never races with
// another thread's use of an entry no test touched.
template <typename Call> void restore(Call SystemCalls::*entry) {
    if (system_calls.*entry != real_calls.*entry)
        system_calls.*entry = real_calls.*entry;
}

} // namespace

void restore_calls() {
    restore(&SystemCalls::tick_count);
    restore(&SystemCalls::file_open);
    restore(&SystemCalls::file_read);
    restore(&SystemCalls::file_rewind);
    restore(&SystemCalls::file_close);
    restore(&SystemCalls::library_load);
    restore(&SystemCalls::library_symbol);
    restore(&SystemCalls::library_free);
    restore(&SystemCalls::shared_memory_open);
#ifdef _WIN32
    restore(&SystemCalls::high_resolution_timer_create);
#endif
}

} // namespace lumivox::platform
