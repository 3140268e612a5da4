// The real dialog on Windows: template 101 against the layout the page model
// shares, and the picture drawn through GDI+.
#ifdef _WIN32

#include "component/preferences.h"
#include "component/preferences_layout.h"
#include "tests/prefs/page_driver.h"
#include "tests/prefs/page_fixture.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox::test {
namespace {

std::wstring class_of(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    return name;
}

std::string text_of(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The dialog manager converts a control's position and its size separately
// (each field scaled and rounded on its own), so the far edge is the near edge
// plus the converted size, not the converted far edge: the two differ by a
// pixel with some fonts.
RECT in_dialog_units(HWND page, int x, int y, int width, int height) {
    RECT r = {x, y, width, height};
    MapDialogRect(page, &r);
    return {r.left, r.top, r.left + r.right, r.top + r.bottom};
}

bool has(LONG style, LONG bits) {
    return (style & bits) == bits;
}

// The style dialog 101 is created with, read from its template: the host
// shows the page once it is open, so the window's own style no longer tells.
LONG template_style() {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(101), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    if (found == nullptr)
        return 0;
    auto words = static_cast<const WORD*>(LockResource(LoadResource(module, found)));
    if (words == nullptr)
        return 0;
    // An extended template starts with version 1 and 0xFFFF, then help ID and
    // extended style before the style; a plain one starts with the style.
    const void* style = words[1] == 0xFFFF ? words + 6 : words;
    DWORD value = 0;
    std::memcpy(&value, style, sizeof value);
    return static_cast<LONG>(value);
}

TEST_F(PageTest, DialogFollowsTheLayout) {
    auto page = reinterpret_cast<HWND>(open_page());
    ASSERT_NE(page, nullptr);
    LONG style = template_style();
    EXPECT_TRUE(has(style, WS_CHILD));
    EXPECT_FALSE(has(style, WS_VISIBLE)) << "the host shows the page";
    EXPECT_FALSE(has(style, WS_CAPTION));
    EXPECT_TRUE(has(GetWindowLongW(page, GWL_STYLE), WS_CHILD));
    RECT client = {};
    GetClientRect(page, &client);
    RECT size = in_dialog_units(page, 0, 0, page_width, page_height);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(page, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, L"MS Shell Dlg");

    int i = 0;
    for (HWND child = GetWindow(page, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT), ++i) {
        ASSERT_LT(i, page_control_count);
        const ControlLayout& want = page_layout[i];
        const std::string name = "control " + std::to_string(i) + " (" + want.caption + ")";
        int id = GetDlgCtrlID(child);
        EXPECT_EQ(id == 0xFFFF ? -1 : id, want.id) << name;
        if (want.id != id_transport_label && *want.caption != '\0') {
            EXPECT_EQ(text_of(child), want.caption) << name;
        }

        RECT expected = in_dialog_units(page, want.x, want.y, want.width, want.height);
        RECT actual = {};
        GetWindowRect(child, &actual);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left) << name;
        EXPECT_EQ(actual.top, expected.top) << name;
        // A drop-down list is as tall as its closed field; a picture shown at
        // its real size is as large as the picture.
        if (want.kind != PageControlKind::list && want.kind != PageControlKind::picture) {
            EXPECT_EQ(actual.right, expected.right) << name;
            EXPECT_EQ(actual.bottom, expected.bottom) << name;
        } else if (want.kind == PageControlKind::list) {
            EXPECT_EQ(actual.right, expected.right) << name;
        }

        LONG s = GetWindowLongW(child, GWL_STYLE);
        LONG ex = GetWindowLongW(child, GWL_EXSTYLE);
        EXPECT_TRUE(has(s, WS_CHILD | WS_VISIBLE)) << name;
        EXPECT_EQ(has(s, WS_TABSTOP), (want.style & style_tab_stop) != 0) << name;
        EXPECT_EQ(has(s, WS_GROUP), (want.style & style_group) != 0) << name;
        // A combo box hands its scroll bar to its drop-down list.
        HWND scrolled = child;
        COMBOBOXINFO combo = {};
        combo.cbSize = sizeof combo;
        if (want.kind == PageControlKind::list && GetComboBoxInfo(child, &combo))
            scrolled = combo.hwndList;
        EXPECT_EQ(has(GetWindowLongW(scrolled, GWL_STYLE), WS_VSCROLL),
                  (want.style & style_vscroll) != 0)
            << name;
        std::wstring cls = class_of(child);
        switch (want.kind) {
        case PageControlKind::group_box:
            EXPECT_EQ(cls, L"Button") << name;
            EXPECT_EQ(s & BS_TYPEMASK, BS_GROUPBOX) << name;
            break;
        case PageControlKind::check_box:
            EXPECT_EQ(cls, L"Button") << name;
            EXPECT_EQ(s & BS_TYPEMASK, BS_AUTOCHECKBOX) << name;
            EXPECT_EQ(has(s, BS_MULTILINE), (want.style & style_multiline) != 0) << name;
            break;
        case PageControlKind::label:
            EXPECT_EQ(cls, L"Static") << name;
            EXPECT_EQ(s & SS_TYPEMASK, (want.style & style_right) != 0 ? SS_RIGHT : SS_LEFT)
                << name;
            break;
        case PageControlKind::list:
            EXPECT_EQ(cls, L"ComboBox") << name;
            EXPECT_EQ(s & 3, CBS_DROPDOWNLIST) << name;
            break;
        case PageControlKind::picture:
            EXPECT_EQ(cls, L"Static") << name;
            EXPECT_EQ(s & SS_TYPEMASK, SS_BITMAP) << name;
            EXPECT_TRUE(has(s, SS_REALSIZEIMAGE)) << name;
            break;
        case PageControlKind::edit:
            EXPECT_EQ(cls, L"Edit") << name;
            // Dialogs may draw the border as a sunken client edge.
            EXPECT_TRUE(has(s, WS_BORDER) || has(ex, WS_EX_CLIENTEDGE)) << name;
            EXPECT_TRUE(has(s, ES_AUTOHSCROLL)) << name;
            EXPECT_FALSE(has(s, ES_MULTILINE)) << name;
            break;
        case PageControlKind::none:
            ADD_FAILURE() << name;
        }
    }
    EXPECT_EQ(i, page_control_count);
}

TEST_F(PageTest, PictureIsDrawnOnTheButtonFaceAndFreedWithThePage) {
    auto page = reinterpret_cast<HWND>(open_page());
    ASSERT_NE(page, nullptr);
    auto bitmap = reinterpret_cast<HBITMAP>(
        SendDlgItemMessageW(page, id_picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info = {};
    GetObjectW(bitmap, sizeof info, &info);
    ASSERT_EQ(info.bmWidth, picture_width);
    ASSERT_EQ(info.bmHeight, picture_height);

    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = picture_width;
    format.bmiHeader.biHeight = -picture_height; // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(picture_width * picture_height);
    HDC dc = GetDC(nullptr);
    ASSERT_EQ(GetDIBits(dc, bitmap, 0, picture_height, pixels.data(), &format, DIB_RGB_COLORS),
              picture_height);
    ReleaseDC(nullptr, dc);

    COLORREF face = GetSysColor(COLOR_BTNFACE);
    const uint32_t background = (static_cast<uint32_t>(GetRValue(face)) << 16) |
                                (static_cast<uint32_t>(GetGValue(face)) << 8) | GetBValue(face);
    auto pixel = [&](int x, int y) { return pixels[y * picture_width + x] & 0xFFFFFF; };
    int drawn = 0;
    for (int y = 0; y < picture_height; ++y) {
        for (int x = 0; x < picture_width; ++x) {
            if (x >= picture_height) {
                EXPECT_EQ(pixel(x, y), background) << x << "," << y;
            } else if (pixel(x, y) != background) {
                ++drawn;
            }
        }
    }
    EXPECT_EQ(pixel(0, 0), background) << "transparent parts show the background";
    EXPECT_GT(drawn, 2000) << "the mascot is drawn";

    close_page();
    EXPECT_EQ(GetObjectType(bitmap), 0u) << "the page frees its bitmap";
}

} // namespace
} // namespace lumivox::test

#endif
