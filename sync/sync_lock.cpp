#include "sync/sync_lock.h"

#include "sstp/tcp.h"

namespace lumivox {

platform::Lock sync_lock;

void sync_objects_create() {
    platform::lock_create(sync_lock);
}

void sync_objects_destroy() {
    tcp_unload();
    platform::lock_delete(sync_lock);
}

} // namespace lumivox
