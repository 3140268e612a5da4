#include "tests/prefs/page_driver.h"

#include "component/entry.h"
#include "component/preferences.h"
#include "component/text_buffer.h"

#include <gtest/gtest.h>

namespace lumivox::test {

PreferencesPageService& page_service() {
    ServiceBase* service = nullptr;
    preferences_page_entry()->obtain_instance(&service);
    return *static_cast<PreferencesPageService*>(service);
}

#ifdef _WIN32

namespace {

HWND host_window = nullptr;
HWND page = nullptr;

std::string narrow(const wchar_t* wide, int units) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, units, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::wstring widen(const std::string& text) {
    int units =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
    return wide;
}

PageControlKind kind_of(HWND control) {
    if (control == nullptr)
        return PageControlKind::none;
    wchar_t name[32] = {};
    GetClassNameW(control, name, 32);
    LONG style = GetWindowLongW(control, GWL_STYLE);
    if (lstrcmpiW(name, L"Button") == 0)
        return (style & BS_TYPEMASK) == BS_GROUPBOX ? PageControlKind::group_box
                                                    : PageControlKind::check_box;
    if (lstrcmpiW(name, L"Static") == 0)
        return (style & SS_TYPEMASK) == SS_BITMAP ? PageControlKind::picture
                                                  : PageControlKind::label;
    if (lstrcmpiW(name, L"ComboBox") == 0)
        return PageControlKind::list;
    if (lstrcmpiW(name, L"Edit") == 0)
        return PageControlKind::edit;
    return PageControlKind::none;
}

} // namespace

WindowHandle open_page() {
    // Dialog 101 and the picture are linked into this test program.
    module_handle = GetModuleHandleW(nullptr);
    host_window = CreateWindowExW(0, L"Static", L"Preferences", WS_OVERLAPPEDWINDOW, 0, 0, 600, 600,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(host_window, nullptr) << "no display? error " << GetLastError();
    page = page_service().create_page(host_window);
    EXPECT_NE(page, nullptr) << "error " << GetLastError();
    return page;
}

bool page_open() {
    return page != nullptr;
}

ControlView read_control(int id) {
    ControlView view;
    HWND control = GetDlgItem(page, id);
    view.kind = kind_of(control);
    if (control == nullptr)
        return view;
    view.checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED &&
                   view.kind == PageControlKind::check_box;
    view.enabled = IsWindowEnabled(control) != FALSE;
    view.read_only = view.kind == PageControlKind::edit &&
                     (GetWindowLongW(control, GWL_STYLE) & ES_READONLY) != 0;
    if (view.kind == PageControlKind::list) {
        LRESULT index = SendMessageW(control, CB_GETCURSEL, 0, 0);
        view.selection = index == CB_ERR ? -1 : static_cast<int>(index);
    }
    wchar_t text[4096];
    int units = GetWindowTextW(control, text, 4096);
    view.text = narrow(text, units);
    return view;
}

bool click(int id) {
    HWND box = GetDlgItem(page, id);
    if (kind_of(box) != PageControlKind::check_box || !IsWindowEnabled(box))
        return false;
    bool checked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SendMessageW(box, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(box));
    return true;
}

bool type_text(int id, const std::string& text) {
    HWND edit = GetDlgItem(page, id);
    if (kind_of(edit) != PageControlKind::edit ||
        (GetWindowLongW(edit, GWL_STYLE) & ES_READONLY) != 0)
        return false;
    std::wstring wide = widen(text);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    return true;
}

bool choose_entry(int id, int index) {
    HWND list = GetDlgItem(page, id);
    if (kind_of(list) != PageControlKind::list || index < 0 ||
        index >= SendMessageW(list, CB_GETCOUNT, 0, 0))
        return false;
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    return true;
}

void close_page() {
    if (page != nullptr)
        DestroyWindow(page);
    if (host_window != nullptr)
        DestroyWindow(host_window);
    page = nullptr;
    host_window = nullptr;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

#else

namespace {

int host_window = 0;
PageWindow* page = nullptr;

} // namespace

WindowHandle open_page() {
    WindowHandle handle = page_service().create_page(&host_window);
    page = static_cast<PageWindow*>(handle);
    EXPECT_NE(page, nullptr);
    return handle;
}

bool page_open() {
    return page != nullptr;
}

ControlView read_control(int id) {
    ControlView view;
    view.kind = page->control_kind(id);
    view.checked = page->is_checked(id);
    view.enabled = page->is_enabled(id);
    view.read_only = page->is_read_only(id);
    view.selection = page->selected_entry(id);
    TextBuffer text;
    page->get_text(id, &text);
    view.text = text.get();
    return view;
}

bool click(int id) {
    return page->click(id);
}

bool type_text(int id, const std::string& text) {
    return page->type_text(id, text.c_str());
}

bool choose_entry(int id, int index) {
    return page->choose_entry(id, index);
}

void close_page() {
    if (page != nullptr)
        page->destroy();
    page = nullptr;
}

#endif

} // namespace lumivox::test
