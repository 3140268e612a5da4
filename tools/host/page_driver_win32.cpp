// On Windows the page is the component's dialog, a child of a real top-level
// window of the host, and every change reaches it as a window message.
#include "tools/host/page_driver.h"

#include "tools/common/wide_text.h"
#include "tools/host/page_instance.h"

#include <objbase.h>
#include <objidl.h>
#include <windows.h>
// After the COM headers, which declare IStream for it.
#include <gdiplus.h>

namespace lumivox::tools {

namespace {

namespace gdip = Gdiplus::DllExports;

HWND host_window = nullptr;
HWND page = nullptr;

std::string window_text(HWND window) {
    int units = GetWindowTextLengthW(window);
    std::wstring wide(static_cast<size_t>(units) + 1, L'\0');
    units = GetWindowTextW(window, wide.data(), units + 1);
    wide.resize(static_cast<size_t>(units > 0 ? units : 0));
    return narrow(wide);
}

void pump_messages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

PageControlKind kind_of(HWND control) {
    if (control == nullptr)
        return PageControlKind::none;
    wchar_t name[32] = {};
    GetClassNameW(control, name, 32);
    LONG style = GetWindowLongW(control, GWL_STYLE);
    if (lstrcmpiW(name, L"Button") == 0) {
        LONG type = style & BS_TYPEMASK;
        if (type == BS_GROUPBOX)
            return PageControlKind::group_box;
        if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX)
            return PageControlKind::check_box;
        return PageControlKind::none;
    }
    if (lstrcmpiW(name, L"Static") == 0)
        return (style & SS_TYPEMASK) == SS_BITMAP ? PageControlKind::picture
                                                  : PageControlKind::label;
    if (lstrcmpiW(name, L"ComboBox") == 0)
        return PageControlKind::list;
    if (lstrcmpiW(name, L"Edit") == 0)
        return PageControlKind::edit;
    return PageControlKind::none;
}

HWND control_of(int id, PageControlKind kind) {
    HWND control = GetDlgItem(page, id);
    return kind_of(control) == kind ? control : nullptr;
}

LRESULT WINAPI host_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcW(window, message, wparam, lparam);
}

const wchar_t host_window_class[] = L"LumivoxHostPreferences";

bool register_host_class() {
    static bool registered = false;
    if (registered)
        return true;
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = &host_window_procedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = host_window_class;
    registered = RegisterClassW(&window_class) != 0;
    return registered;
}

// The PNG encoder of GDI+.
const CLSID png_encoder = {
    0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

bool save_png(HBITMAP bitmap, const std::string& path) {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok)
        return false;
    Gdiplus::GpBitmap* image = nullptr;
    bool saved = false;
    if (gdip::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) == Gdiplus::Ok) {
        saved = gdip::GdipSaveImageToFile(image, widen(path).c_str(), &png_encoder, nullptr) ==
                Gdiplus::Ok;
        gdip::GdipDisposeImage(image);
    }
    Gdiplus::GdiplusShutdown(token);
    return saved;
}

} // namespace

bool open_page(preferences_page* service, std::string& error, PageProtocol protocol) {
    if (!register_host_class()) {
        error = "cannot register the preferences window's class: Windows error " +
                std::to_string(GetLastError());
        return false;
    }
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    host_window = CreateWindowExW(0, host_window_class, L"Preferences", style, 0, 0, 400, 300,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (host_window == nullptr) {
        error = "cannot create the preferences window: Windows error " +
                std::to_string(GetLastError()) + " (windows need a display)";
        return false;
    }
    page = open_page_window(service, host_window, protocol, error);
    if (page == nullptr) {
        error += ": Windows error " + std::to_string(GetLastError());
        DestroyWindow(host_window);
        host_window = nullptr;
        return false;
    }
    // The host sizes its window around the page and shows the page in it.
    RECT frame = {};
    GetWindowRect(page, &frame);
    RECT outer = {0, 0, frame.right - frame.left, frame.bottom - frame.top};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    SetWindowPos(host_window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(page, nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(page, SW_SHOWNA);
    pump_messages();
    return true;
}

window_handle page_window() {
    return page;
}

ControlState control_state(int id) {
    ControlState state;
    HWND control = GetDlgItem(page, id);
    state.kind = kind_of(control);
    if (state.kind == PageControlKind::none)
        return state;
    state.checked = state.kind == PageControlKind::check_box &&
                    SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    state.enabled = IsWindowEnabled(control) != FALSE;
    state.read_only = state.kind == PageControlKind::edit &&
                      (GetWindowLongW(control, GWL_STYLE) & ES_READONLY) != 0;
    if (state.kind == PageControlKind::list) {
        LRESULT selection = SendMessageW(control, CB_GETCURSEL, 0, 0);
        state.selection = selection == CB_ERR ? -1 : static_cast<int>(selection);
    }
    state.text = window_text(control);
    return state;
}

std::vector<int> page_control_ids() {
    std::vector<int> ids;
    for (HWND child = GetWindow(page, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        int id = GetDlgCtrlID(child);
        if (id != -1 && id != 0xFFFF)
            ids.push_back(id);
    }
    return ids;
}

// The box's new state, then the click's notification to the page, as the
// button itself sends it.
bool click_check_box(int id) {
    HWND box = control_of(id, PageControlKind::check_box);
    if (box == nullptr || !IsWindowEnabled(box))
        return false;
    bool checked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SendMessageW(box, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(box));
    return true;
}

bool type_text(int id, const std::string& text) {
    HWND edit = control_of(id, PageControlKind::edit);
    if (edit == nullptr || !IsWindowEnabled(edit) ||
        (GetWindowLongW(edit, GWL_STYLE) & ES_READONLY) != 0)
        return false;
    std::wstring wide = widen(text);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    return true;
}

bool choose_entry(int id, int index) {
    HWND list = control_of(id, PageControlKind::list);
    if (list == nullptr || !IsWindowEnabled(list) || index < 0 ||
        index >= SendMessageW(list, CB_GETCOUNT, 0, 0))
        return false;
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    return true;
}

bool capture_page(const std::string& png_path, std::string& error) {
    ShowWindow(host_window, SW_SHOWNORMAL);
    UpdateWindow(host_window);
    RedrawWindow(page, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (int i = 0; i < 10; ++i) {
        pump_messages();
        Sleep(50);
    }
    RECT area = {};
    GetClientRect(page, &area);
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    HDC window_dc = GetDC(page);
    HDC memory_dc = CreateCompatibleDC(window_dc);
    HBITMAP bitmap = CreateCompatibleBitmap(window_dc, width, height);
    HGDIOBJ previous = SelectObject(memory_dc, bitmap);
    bool copied = BitBlt(memory_dc, 0, 0, width, height, window_dc, 0, 0, SRCCOPY) != FALSE;
    SelectObject(memory_dc, previous);
    DeleteDC(memory_dc);
    ReleaseDC(page, window_dc);
    bool saved = copied && save_png(bitmap, png_path);
    DeleteObject(bitmap);
    if (!saved)
        error = "cannot write a picture of the page to \"" + png_path + "\"";
    return saved;
}

void close_page(Closing order) {
    if (order == Closing::instance_first)
        release_page_instance();
    if (page != nullptr)
        DestroyWindow(page);
    if (host_window != nullptr)
        DestroyWindow(host_window);
    page = nullptr;
    host_window = nullptr;
    pump_messages();
    page_window_destroyed();
    release_page_instance();
}

} // namespace lumivox::tools
