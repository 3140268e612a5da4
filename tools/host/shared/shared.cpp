// The host's shared library as the substitute host supplies it. Case folding
// is ASCII only, which meets every use the component makes of it.
#include "tools/host/shared/shared.h"
#include "tools/common/wide_text.h"

#include <string>

#ifdef _WIN32
using lumivox::tools::widen;
#endif

namespace {

unsigned char fold(char c) {
    auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

// Compares at most n bytes, stopping at the first NUL of either text, so
// that neither is read beyond its end.
int compare_folded(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = fold(a[i]);
        unsigned char y = fold(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
        if (x == 0)
            return 0;
    }
    return 0;
}

} // namespace

extern "C" {

int LUMIVOX_PLAYER_SHARED stricmp_utf8(const char* a, const char* b) {
    return compare_folded(a, b, static_cast<size_t>(-1));
}

int LUMIVOX_PLAYER_SHARED stricmp_utf8_max(const char* a, const char* b, size_t n) {
    return compare_folded(a, b, n);
}

int LUMIVOX_PLAYER_SHARED stricmp_utf8_partial(const char* text, const char* needle, size_t n) {
    for (size_t i = 0; i < n && needle[i] != '\0'; ++i) {
        if (fold(text[i]) != fold(needle[i]))
            return 1;
    }
    return 0;
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
