#include "base/charset_trailer.h"

namespace lumivox {

const CharsetTrailer charset_trailers[3] = {
    {"\r\n\r\n", 4},
    {"\r\nCharset: UTF-8\r\n\r\n", 20},
    {"\r\nCharset: Shift_JIS\r\n\r\n", 24},
};

const CharsetTrailer* current_trailer = nullptr;

} // namespace lumivox
