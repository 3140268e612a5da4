#include "platform/codepage.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace lumivox::platform {

namespace {

constexpr size_t wide_units = 2048;
// U+FFFD in UTF-16LE, what MultiByteToWideChar puts for bytes that do not
// decode when called without MB_ERR_INVALID_CHARS.
constexpr char replacement[2] = {'\xFD', '\xFF'};

// glibc's names for the code pages as Windows has them (its gconv modules
// come with libc6).
const char* iconv_name(CodePage page) {
    switch (page) {
    case CodePage::shift_jis:
        return "CP932";
    case CodePage::gbk:
        return "GBK";
    case CodePage::big5:
        return "BIG5";
    case CodePage::uhc:
        return "UHC";
    case CodePage::utf8:
    case CodePage::system:
        break;
    }
    return "UTF-8";
}

const iconv_t no_descriptor = reinterpret_cast<iconv_t>(-1);

// Converts all of in into out with a fresh descriptor; returns the bytes
// written, or SIZE_MAX when out is too small, the conversion is missing or
// the input does not decode and there is no fill. With a fill, every input
// byte that does not decode is replaced by it.
size_t convert(const char* from, const char* to, const char* in, size_t in_size, char* out,
               size_t out_size, const char* fill, size_t fill_size) {
    iconv_t cd = iconv_open(to, from);
    if (cd == no_descriptor)
        return SIZE_MAX;
    char* src = const_cast<char*>(in);
    size_t src_left = in_size;
    char* dst = out;
    size_t dst_left = out_size;
    size_t result = 0;
    while (src_left > 0) {
        if (iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<size_t>(-1))
            continue;
        if ((errno == EILSEQ || errno == EINVAL) && fill != nullptr && dst_left >= fill_size) {
            std::memcpy(dst, fill, fill_size);
            dst += fill_size;
            dst_left -= fill_size;
            ++src;
            --src_left;
            continue;
        }
        result = SIZE_MAX;
        break;
    }
    if (result == 0 && iconv(cd, nullptr, nullptr, &dst, &dst_left) == static_cast<size_t>(-1))
        result = SIZE_MAX;
    iconv_close(cd);
    return result == SIZE_MAX ? SIZE_MAX : out_size - dst_left;
}

} // namespace

// The substitute's system code page is UTF-8, which holds every character.
uint32_t convert_code_page(CodePage from, CodePage to, const char* text, uint32_t length, char* out,
                           uint32_t out_size) {
    if (length == 0)
        return 0;
    char wide[wide_units * 2];
    size_t wide_bytes = convert(iconv_name(from), "UTF-16LE", text, length, wide, sizeof wide,
                                replacement, sizeof replacement);
    if (wide_bytes == SIZE_MAX || wide_bytes == 0)
        return 0;
    size_t bytes = convert("UTF-16LE", iconv_name(to), wide, wide_bytes, out, out_size, nullptr, 0);
    if (bytes == SIZE_MAX)
        return 0;
    return static_cast<uint32_t>(bytes);
}

// A Decoder is the iconv descriptor itself.
Decoder* decoder_open(CodePage from) {
    iconv_t cd = iconv_open("UTF-8", iconv_name(from));
    return cd == no_descriptor ? nullptr : static_cast<Decoder*>(cd);
}

void decoder_close(Decoder* decoder) {
    if (decoder != nullptr)
        iconv_close(static_cast<iconv_t>(decoder));
}

uint32_t decode_to_utf8(Decoder* decoder, const char* text, uint32_t length, char* out,
                        uint32_t room) {
    if (decoder == nullptr)
        return decode_failed;
    auto cd = static_cast<iconv_t>(decoder);
    char* src = const_cast<char*>(text);
    size_t src_left = length;
    char* dst = out;
    size_t dst_left = room;
    // The code pages read have no shift states: a conversion that took all
    // of the text leaves nothing to flush, and only a failure needs a reset.
    if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1) || src_left != 0) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        return decode_failed;
    }
    return static_cast<uint32_t>(room - dst_left);
}

// The substitute's system code page is UTF-8, which has no lead bytes.
bool system_lead_byte(unsigned char) {
    return false;
}

} // namespace lumivox::platform
