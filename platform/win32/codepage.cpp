#include "platform/codepage.h"

#include <windows.h>

namespace lumivox::platform {

namespace {

constexpr int wide_units = 2048;
constexpr uint32_t max_int = 0x7FFFFFFFu;

UINT windows_code_page(CodePage from) {
    switch (from) {
    case CodePage::shift_jis:
        return 932;
    case CodePage::utf8:
        return CP_UTF8;
    case CodePage::system:
        break;
    }
    return CP_ACP;
}

} // namespace

uint32_t convert_to_system_code_page(CodePage from, const char* text, uint32_t length, char* out,
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
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide, units, out, static_cast<int>(out_size),
                                    nullptr, nullptr);
    return bytes > 0 ? static_cast<uint32_t>(bytes) : 0;
}

bool system_lead_byte(unsigned char byte) {
    return IsDBCSLeadByteEx(CP_ACP, byte) != 0;
}

} // namespace lumivox::platform
