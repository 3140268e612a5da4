#include "sstp/request.h"

#include "base/text.h"
#include "sstp/transport.h"

namespace lumivox {

const char request_head[] = "SEND SSTP/1.1\r\n"
                            "Sender: foobar2000\r\n"
                            "Option: nodescript,notranslate\r\n"
                            "Script: ";
static_assert(sizeof request_head - 1 == request_head_length);

namespace {

// A script too long for the buffer is cut rather than refused: the scheduler
// treats a failed send as a reason to halt the whole run, and one overlong
// line must not silence the rest of the song. A UTF-8 script is cut before a
// character, not inside one.
uint32_t fitting_length(const char* script, const CharsetTrailer* trailer) {
    uint32_t limit = max_script_length(trailer);
    uint32_t length = text_length_max(script, limit + 1);
    if (length <= limit)
        return length;
    length = limit;
    if (trailer == trailer_utf8) {
        uint32_t backed = 0;
        while (backed < 3 && length > 0 &&
               (static_cast<unsigned char>(script[length]) & 0xC0u) == 0x80u) {
            --length;
            ++backed;
        }
    }
    return length;
}

} // namespace

int32_t build_sstp_request(char* buffer, const char* script, const CharsetTrailer* trailer) {
    char* end = copy_string_end(buffer, request_head);
    end = copy_string_end_max(end, script, fitting_length(script, trailer));
    end = copy_string_end(end, trailer->text);
    return static_cast<int32_t>(end - buffer);
}

bool send_sstp_request(const char* script, const CharsetTrailer* trailer) {
    char buffer[request_buffer_size];
    int32_t length = build_sstp_request(buffer, script, trailer);
    SstpTransport transport = active_transport;
    if (transport.deliver == nullptr)
        return false;
    return transport.deliver(buffer, length) != 0;
}

int probe_ghost(const GhostKey* ghost_key) {
    SstpTransport transport = active_transport;
    return transport.probe != nullptr ? transport.probe(ghost_key) : 0;
}

} // namespace lumivox
