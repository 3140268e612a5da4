#include "sync/sync_objects.h"

#include "platform/wait.h"
#include "sstp/transport.h"
#include "sync/download.h"
#include "sync/scheduler.h"

namespace lumivox {

platform::Lock player_turn;

void sync_objects_create() {
    sync_event = platform::event_create();
    line_timer = platform::timer_create();
    platform::lock_create(sync_lock);
    platform::lock_create(player_turn);
}

void sync_objects_destroy() {
    // Normally both were ended at host exit; if not, the workers end here,
    // the download's first (it may start a run), before the network library
    // a run may be sending through.
    download_shutdown();
    sync_end_worker();
    transport_shutdown();
    platform::event_close(sync_event);
    sync_event = nullptr;
    platform::timer_close(line_timer);
    line_timer = nullptr;
    platform::lock_delete(player_turn);
    platform::lock_delete(sync_lock);
}

} // namespace lumivox
