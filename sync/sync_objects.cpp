#include "sync/sync_objects.h"

#include "platform/wait.h"
#include "sstp/tcp.h"
#include "sync/scheduler.h"

namespace lumivox {

platform::Lock sync_lock;

void sync_objects_create() {
    sync_event = platform::event_create();
    line_timer = platform::timer_create();
    platform::lock_create(sync_lock);
}

void sync_objects_destroy() {
    // Normally the run was stopped at host exit; if not, its worker ends
    // here, before the network library it may be sending through.
    sync_end_worker();
    tcp_unload();
    platform::event_close(sync_event);
    sync_event = nullptr;
    platform::timer_close(line_timer);
    line_timer = nullptr;
    platform::lock_delete(sync_lock);
}

} // namespace lumivox
