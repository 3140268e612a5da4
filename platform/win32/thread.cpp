#include "platform/thread.h"

#include <cstdlib>
#include <windows.h>

namespace lumivox::platform {

namespace {

struct Start {
    ThreadRoutine routine;
    void* parameter;
};

DWORD WINAPI run_thread(LPVOID argument) {
    Start start = *static_cast<Start*>(argument);
    std::free(argument);
    start.routine(start.parameter);
    return 0;
}

} // namespace

Thread* thread_create(ThreadRoutine routine, void* parameter) {
    auto* start = static_cast<Start*>(std::malloc(sizeof(Start)));
    if (start == nullptr)
        return nullptr;
    *start = {routine, parameter};
    HANDLE thread = CreateThread(nullptr, 0, &run_thread, start, 0, nullptr);
    if (thread == nullptr) {
        std::free(start);
        return nullptr;
    }
    return reinterpret_cast<Thread*>(thread);
}

void thread_join(Thread* thread) {
    if (thread == nullptr)
        return;
    WaitForSingleObject(reinterpret_cast<HANDLE>(thread), INFINITE);
    CloseHandle(reinterpret_cast<HANDLE>(thread));
}

} // namespace lumivox::platform
