// The three endings an SSTP request can carry, one per charset, and the
// room a script has beside each: the loader picks the ending its lines are
// sent with and cuts them to fit, the transport builds the requests.
#pragma once

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
constexpr uint32_t request_head_length = 75;

// Longest script that fits the request buffer whole with this trailer
// (4016, 4000 or 3996 bytes).
constexpr uint32_t max_script_length(const CharsetTrailer* trailer) {
    return static_cast<uint32_t>(request_buffer_size) - 1 - request_head_length - trailer->length;
}

} // namespace lumivox
