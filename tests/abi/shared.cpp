// The player's shared.dll as the player's compiler builds it: seven stdcall
// functions, exported on x86 under their decorated names (_name@bytes).
// Texts are UTF-8 on this side and UTF-16 towards Windows; they are compared
// as the player compares them, by the substitute host's own code.
#include "player_abi.h"
#include "tools/host/shared/utf8_compare.h"

namespace {

wchar_t* to_wide(const char* text) {
    if (text == nullptr)
        return nullptr;
    int n = MultiByteToWideChar(win32::utf8, 0, text, -1, nullptr, 0);
    if (n <= 0)
        return nullptr;
    auto* wide = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, static_cast<size_t>(n) * 2));
    if (wide != nullptr)
        MultiByteToWideChar(win32::utf8, 0, text, -1, wide, n);
    return wide;
}

void release(void* block) {
    if (block != nullptr)
        HeapFree(GetProcessHeap(), 0, block);
}

} // namespace

extern "C" {

__declspec(dllexport) int __stdcall stricmp_utf8(const char* a, const char* b) {
    return lumivox::player_text::compare(a, b);
}

// Compares the first p1_bytes bytes of p1 (less at a NUL) with the whole of p2.
__declspec(dllexport) int __stdcall stricmp_utf8_max(const char* p1, const char* p2,
                                                     size_t p1_bytes) {
    return lumivox::player_text::compare_max(p1, p2, p1_bytes);
}

// Zero when p1 begins with the first num characters of p2; p2 ends at its NUL
// or at its first byte that begins no character.
__declspec(dllexport) int __stdcall stricmp_utf8_partial(const char* p1, const char* p2,
                                                         size_t num) {
    return lumivox::player_text::compare_partial(p1, p2, num);
}

__declspec(dllexport) HANDLE
    __stdcall uCreateFile(const char* path, DWORD access, DWORD share, void* security,
                          DWORD disposition, DWORD flags, HANDLE template_file) {
    wchar_t* wide = to_wide(path);
    if (wide == nullptr)
        return win32::invalid_handle();
    HANDLE file = CreateFileW(wide, access, share, security, disposition, flags, template_file);
    release(wide);
    return file;
}

__declspec(dllexport) BOOL __stdcall uSetDlgItemText(HWND dialog, UINT id, const char* text) {
    wchar_t* wide = to_wide(text);
    BOOL ok = wide != nullptr && SetDlgItemTextW(dialog, static_cast<int>(id), wide);
    release(wide);
    return ok;
}

__declspec(dllexport) BOOL
    __stdcall uGetDlgItemText(HWND dialog, UINT id, player::string_base& out) {
    HWND item = GetDlgItem(dialog, static_cast<int>(id));
    if (item == nullptr) {
        out.set_string("", player::whole_text);
        return 0;
    }
    int length = GetWindowTextLengthW(item);
    auto* wide = static_cast<wchar_t*>(
        HeapAlloc(GetProcessHeap(), 0, (static_cast<size_t>(length) + 1) * 2));
    int utf8_size = 0;
    char* text = nullptr;
    if (wide != nullptr) {
        wide[0] = L'\0';
        GetDlgItemTextW(dialog, static_cast<int>(id), wide, length + 1);
        utf8_size = WideCharToMultiByte(win32::utf8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
        text = static_cast<char*>(
            HeapAlloc(GetProcessHeap(), 0, static_cast<size_t>(utf8_size > 0 ? utf8_size : 1)));
    }
    if (text != nullptr) {
        text[0] = '\0';
        WideCharToMultiByte(win32::utf8, 0, wide, -1, text, utf8_size, nullptr, nullptr);
    }
    out.set_string(text != nullptr ? text : "", player::whole_text);
    release(text);
    release(wide);
    return text != nullptr;
}

__declspec(dllexport) LRESULT
    __stdcall uSendMessageText(HWND window, UINT message, WPARAM w, const char* text) {
    wchar_t* wide = to_wide(text);
    LRESULT result = SendMessageW(window, message, w, reinterpret_cast<LPARAM>(wide));
    release(wide);
    return result;
}
}
