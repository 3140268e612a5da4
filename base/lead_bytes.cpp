#include "base/lead_bytes.h"

namespace lumivox {

bool shift_jis_lead_byte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

} // namespace lumivox
