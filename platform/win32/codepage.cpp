#include "platform/codepage.h"

#include <windows.h>

namespace lumivox::platform {

namespace {

constexpr int wide_units = 2048;
constexpr uint32_t max_int = 0x7FFFFFFFu;

UINT windows_code_page(CodePage page) {
    switch (page) {
    case CodePage::shift_jis:
        return 932;
    case CodePage::gbk:
        return 936;
    case CodePage::big5:
        return 950;
    case CodePage::uhc:
        return 949;
    case CodePage::utf8:
        return CP_UTF8;
    case CodePage::system:
        break;
    }
    // The system may itself be set to UTF-8, which takes no conversion flags.
    return GetACP();
}

// UTF-16 to `to`, refusing characters that would be written as a look-alike
// or as the default character.
int from_wide(UINT to, const WCHAR* wide, int units, char* out, int out_size) {
    if (to == CP_UTF8)
        return WideCharToMultiByte(CP_UTF8, 0, wide, units, out, out_size, nullptr, nullptr);
    BOOL defaulted = FALSE;
    int bytes = WideCharToMultiByte(to, WC_NO_BEST_FIT_CHARS, wide, units, out, out_size, nullptr,
                                    &defaulted);
    return defaulted ? 0 : bytes;
}

} // namespace

uint32_t convert_code_page(CodePage from, CodePage to, const char* text, uint32_t length, char* out,
                           uint32_t out_size) {
    if (length == 0 || length > max_int)
        return 0;
    if (out_size > max_int)
        out_size = max_int;
    WCHAR wide[wide_units];
    int units = MultiByteToWideChar(windows_code_page(from), 0, text, static_cast<int>(length),
                                    wide, wide_units);
    if (units <= 0)
        return 0;
    int bytes = from_wide(windows_code_page(to), wide, units, out, static_cast<int>(out_size));
    return bytes > 0 ? static_cast<uint32_t>(bytes) : 0;
}

// Windows keeps no state for a conversion: a Decoder is one of these, one
// per code page, and is never freed.
struct Decoder {
    UINT code_page;
};

namespace {

Decoder decoders[] = {{932}, {936}, {950}, {949}};

// Room for the UTF-16 of the longest text taken: one unit per byte at most.
constexpr uint32_t decode_limit = 4096;

} // namespace

Decoder* decoder_open(CodePage from) {
    UINT page = windows_code_page(from);
    for (Decoder& decoder : decoders) {
        if (decoder.code_page == page && IsValidCodePage(page))
            return &decoder;
    }
    return nullptr;
}

void decoder_close(Decoder*) {}

uint32_t decode_to_utf8(Decoder* decoder, const char* text, uint32_t length, char* out,
                        uint32_t room) {
    if (decoder == nullptr || length > decode_limit)
        return decode_failed;
    if (length == 0)
        return 0;
    if (room > max_int)
        room = max_int;
    WCHAR wide[decode_limit];
    int units = MultiByteToWideChar(decoder->code_page, MB_ERR_INVALID_CHARS, text,
                                    static_cast<int>(length), wide, static_cast<int>(decode_limit));
    if (units <= 0)
        return decode_failed;
    if (room == 0)
        return decode_failed;
    int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide, units, out, static_cast<int>(room), nullptr, nullptr);
    return bytes > 0 ? static_cast<uint32_t>(bytes) : decode_failed;
}

bool system_lead_byte(unsigned char byte) {
    return IsDBCSLeadByteEx(CP_ACP, byte) != 0;
}

} // namespace lumivox::platform
