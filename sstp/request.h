// The SSTP request: head, script, and one of three charset endings.
#pragma once

#include "base/charset_trailer.h"
#include "sstp/ghost_key.h"

#include <cstddef>
#include <cstdint>

namespace lumivox {

extern const char request_head[];

// Builds head, script and trailer into buffer (request_buffer_size bytes) and
// returns the request's length without its NUL. A longer script is cut so
// that the request still ends with its whole trailer.
int32_t build_sstp_request(char* buffer, const char* script, const CharsetTrailer* trailer);

// Builds the request in a stack buffer and hands it to the active transport.
// Callers that may run beside the scheduler hold sync_lock.
bool send_sstp_request(const char* script, const CharsetTrailer* trailer);

// Asks the active transport whether the ghost named by ghost_key or, with
// nullptr, any ghost can be reached: non-zero
// when it can, 0 also while no transport is selected. Probing readies the
// transport (Direct keeps the window it found, TCP loads its library).
int probe_ghost(const GhostKey* ghost_key);

// Probes for the ghost a lyric file names (in the charset current_trailer
// names), by its GhostKey in UTF-8 and in the system code page, built in
// ghost_key.cpp. The name is borrowed: a CR stands in for its NUL while it
// converts. False also when it converts to neither.
bool probe_named_ghost(char* ghost);

} // namespace lumivox
