// The SSTP request: head, script, and one of three charset endings.
#pragma once

#include "sstp/ghost_key.h"

#include <cstddef>
#include <cstdint>

namespace lumivox {

// One of the three constant request endings. Values are always references to
// an entry of charset_trailers and are told apart by identity.
struct CharsetTrailer {
    const char* text;
    uint32_t length;
};

// Indexed as the charset choice of the settings: 0 "Default" (no Charset
// header), 1 "UTF-8", 2 "Shift_JIS".
extern const CharsetTrailer charset_trailers[3];
inline const CharsetTrailer* const trailer_plain = &charset_trailers[0];
inline const CharsetTrailer* const trailer_utf8 = &charset_trailers[1];
inline const CharsetTrailer* const trailer_shift_jis = &charset_trailers[2];

// The ending that the current Timeline's lines are sent with.
extern const CharsetTrailer* current_trailer;

constexpr size_t request_buffer_size = 4096;
extern const char request_head[];
constexpr uint32_t request_head_length = 75;

// Longest script that fits the request buffer whole with this trailer
// (4016, 4000 or 3996 bytes).
constexpr uint32_t max_script_length(const CharsetTrailer* trailer) {
    return static_cast<uint32_t>(request_buffer_size) - 1 - request_head_length - trailer->length;
}

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
