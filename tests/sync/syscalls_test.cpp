// The table of system calls: each lane has a real call for every entry, and
// restoring puts back every entry a test replaced.
#include "platform/syscalls.h"

#include <gtest/gtest.h>

namespace lumivox::platform {
namespace {

uint32_t stopped_clock() {
    return 42;
}

int32_t failing_read(FileHandle, void*, uint32_t) {
    return -1;
}

TEST(SystemCalls, TheLaneFillsItsTableAndRestoringPutsEveryEntryBack) {
    EXPECT_TRUE(fills_every_call(real_calls));
    replace_call(&SystemCalls::tick_count, &stopped_clock);
    replace_call(&SystemCalls::file_read, &failing_read);
    EXPECT_EQ(system_calls.tick_count(), 42u);
    restore_calls();
    EXPECT_EQ(system_calls.tick_count, real_calls.tick_count);
    EXPECT_EQ(system_calls.file_read, real_calls.file_read);
    EXPECT_TRUE(fills_every_call(system_calls));
}

} // namespace
} // namespace lumivox::platform
