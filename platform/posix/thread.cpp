#include "platform/thread.h"

#include <new>
#include <pthread.h>

namespace lumivox::platform {

struct Thread {
    pthread_t id;
    ThreadRoutine routine;
    void* parameter;
};

namespace {

void* run_thread(void* argument) {
    auto* thread = static_cast<Thread*>(argument);
    thread->routine(thread->parameter);
    return nullptr;
}

} // namespace

Thread* thread_create(ThreadRoutine routine, void* parameter) {
    auto* thread = new (std::nothrow) Thread{{}, routine, parameter};
    if (thread == nullptr)
        return nullptr;
    if (pthread_create(&thread->id, nullptr, &run_thread, thread) != 0) {
        delete thread;
        return nullptr;
    }
    return thread;
}

void thread_join(Thread* thread) {
    if (thread == nullptr)
        return;
    pthread_join(thread->id, nullptr);
    delete thread;
}

} // namespace lumivox::platform
