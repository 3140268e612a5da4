// A thread that runs one routine; its end can be waited for.
#pragma once

namespace lumivox::platform {

struct Thread;
using ThreadRoutine = void (*)(void* parameter);

// Starts routine(parameter) on a new thread; nullptr when it cannot start.
Thread* thread_create(ThreadRoutine routine, void* parameter);
// Waits until the thread has ended, then releases it.
void thread_join(Thread* thread);

} // namespace lumivox::platform
