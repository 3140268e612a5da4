// What the host keeps of the loaded component between the steps of a run,
// and the steps that drive it as the player does.
#pragma once

#include "config_blob.h"
#include "player_abi.h"

namespace abi {

struct HostSession {
    HMODULE module;
    player::foobar2000_client* client;
    player::preferences_page* page;
    player::initquit* lifecycle;
    player::componentversion* version;
};

// The settings this host hands in: the TCP transport, .lrc files allowed,
// every feature on, and scripts of its own.
extern const Settings configured;

void start_host(HostSession& session);
void play_track();
void use_page(HostSession& session);
void quit_host(HostSession& session);

} // namespace abi
