// The component's answers to the host's lifecycle and playback events.
#pragma once

#include "component/service_api.h" // upward: the player's playback interfaces

namespace lumivox {

// Held from host start to host exit; nullptr otherwise.
extern PlaybackControlService* playback_service;
extern PlaybackCallbackManager* callback_service;

void handle_host_start();
void handle_host_exit();
void handle_new_track(TrackHandle* track);
void handle_stop(uint32_t reason);
void handle_seek(double seconds);
void handle_pause(bool paused);
void handle_time(double seconds);

void register_playback_events();
// Unregisters, probes the active transport and stops the lyrics.
void unregister_playback_events();

// Value 0 of the first field whose name equals name ignoring case; nullptr
// when there is none.
const char* find_tag_value(InformationRecord* record, const char* name);

} // namespace lumivox
