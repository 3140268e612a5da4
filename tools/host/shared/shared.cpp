// The host's shared library as the substitute host supplies it. Texts are
// compared as the player compares them: decoded as UTF-8, with simple case
// folding beyond ASCII, and stopping at a byte that begins no character.
#include "tools/host/shared/shared.h"
#include "tools/common/wide_text.h"
#include "tools/host/shared/utf8_compare.h"

#include <string>

#ifdef _WIN32
using lumivox::tools::widen;
#endif

extern "C" {

int LUMIVOX_PLAYER_SHARED stricmp_utf8(const char* a, const char* b) {
    return lumivox::player_text::compare(a, b);
}

int LUMIVOX_PLAYER_SHARED stricmp_utf8_max(const char* a, const char* b, size_t bytes) {
    return lumivox::player_text::compare_max(a, b, bytes);
}

int LUMIVOX_PLAYER_SHARED stricmp_utf8_partial(const char* text, const char* needle, size_t count) {
    return lumivox::player_text::compare_partial(text, needle, count);
}

#ifdef _WIN32
HANDLE LUMIVOX_PLAYER_SHARED uCreateFile(const char* path, DWORD access, DWORD share,
                                         LPSECURITY_ATTRIBUTES security, DWORD creation,
                                         DWORD flags, HANDLE template_file) {
    return CreateFileW(widen(path).c_str(), access, share, security, creation, flags,
                       template_file);
}

BOOL LUMIVOX_PLAYER_SHARED uSetDlgItemText(HWND dialog, UINT id, const char* text) {
    return SetDlgItemTextW(dialog, static_cast<int>(id), widen(text).c_str());
}

BOOL LUMIVOX_PLAYER_SHARED uGetDlgItemText(HWND dialog, UINT id, lumivox::tools::string_base& out) {
    HWND item = GetDlgItem(dialog, static_cast<int>(id));
    if (item == nullptr)
        return FALSE;
    int units = GetWindowTextLengthW(item);
    std::wstring wide(static_cast<size_t>(units) + 1, L'\0');
    units = GetWindowTextW(item, wide.data(), units + 1);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), bytes, nullptr, nullptr);
    out.set_string(utf8.c_str(), lumivox::tools::whole_string);
    return TRUE;
}

LRESULT LUMIVOX_PLAYER_SHARED uSendMessageText(HWND window, UINT message, WPARAM parameter,
                                               const char* text) {
    std::wstring wide = widen(text);
    return SendMessageW(window, message, parameter, reinterpret_cast<LPARAM>(wide.c_str()));
}
#endif
}
