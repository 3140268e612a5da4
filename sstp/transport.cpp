#include "sstp/transport.h"

#include "platform/component_lock.h"
#include "platform/lock.h"
#include "sstp/direct.h"
#include "sstp/tcp.h"

namespace lumivox {

SstpTransport active_transport = {nullptr, nullptr};

void select_transport(int use_direct) {
    if (use_direct != 0) {
        if (active_transport.probe == &direct_probe)
            return;
        platform::lock_enter(sync_lock);
        active_transport = {&direct_probe, &direct_deliver};
        direct_probe(nullptr);
        platform::lock_leave(sync_lock);
        // No TCP delivery can be in flight once the pair is replaced.
        tcp_unload();
        return;
    }
    if (active_transport.probe == &tcp_load)
        return;
    platform::lock_enter(sync_lock);
    active_transport = {&tcp_load, &tcp_deliver};
    tcp_load(nullptr);
    platform::lock_leave(sync_lock);
}

void transport_shutdown() {
    tcp_unload();
}

} // namespace lumivox
