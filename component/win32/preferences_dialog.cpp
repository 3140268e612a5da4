// The preferences page on Windows: dialog 101 of the component's module, its
// picture drawn through GDI+, and the dialog procedure that reports the
// window's life and its controls' commands to the open page.
#include "base/host_api.h"
#include "component/entry.h"
#include "component/open_page.h"
#include "component/preferences_layout.h"

#include <cstring>
#include <new>
#include <objbase.h>
#include <objidl.h>
// After the COM headers, which declare IStream for it.
#include <gdiplus.h>

namespace lumivox {

namespace {

namespace gdip = Gdiplus::DllExports;

// What the dialog keeps while it exists, in its user word: its controls as
// the steps reach them, the page it reports to and the bitmap it owns.
class DialogPage final : public PageControls {
  public:
    DialogPage(HWND dialog, OpenPage* page) : page(page), dialog_(dialog) {}

    bool checked(int32_t id) override { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }
    void set_checked(int32_t id, bool on) override {
        CheckDlgButton(dialog_, id, on ? BST_CHECKED : BST_UNCHECKED);
    }
    void enable(int32_t id, bool on) override { EnableWindow(GetDlgItem(dialog_, id), on); }
    void set_read_only(int32_t id, bool on) override {
        SendDlgItemMessageW(dialog_, id, EM_SETREADONLY, on, 0);
    }
    void set_text(int32_t id, const char* text) override {
        uSetDlgItemText(dialog_, static_cast<UINT>(id), text);
    }
    void get_text(int32_t id, TextBuffer& out) override {
        uGetDlgItemText(dialog_, static_cast<UINT>(id), &out);
    }
    void add_entry(int32_t id, const char* text) override {
        uSendMessageText(GetDlgItem(dialog_, id), CB_ADDSTRING, 0, text);
    }
    void select_entry(int32_t id, int32_t index) override {
        SendDlgItemMessageW(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    int32_t selected_entry(int32_t id) override {
        LRESULT index = SendDlgItemMessageW(dialog_, id, CB_GETCURSEL, 0, 0);
        return index == CB_ERR ? -1 : static_cast<int32_t>(index);
    }

    OpenPage* page;
    HBITMAP picture = nullptr;

  private:
    HWND dialog_;
};

// 0xAARRGGBB, opaque, from a COLORREF's 0x00BBGGRR.
Gdiplus::ARGB opaque(COLORREF colour) {
    return 0xFF000000u | (static_cast<Gdiplus::ARGB>(GetRValue(colour)) << 16) |
           (static_cast<Gdiplus::ARGB>(GetGValue(colour)) << 8) | GetBValue(colour);
}

// The embedded PNG decoded and drawn scaled into the left square of a canvas
// of the button-face colour. Every intermediate is released before the
// bitmap is handed out; nullptr when the picture cannot be had, and the page
// then simply shows none.
HBITMAP make_picture() {
    auto module = static_cast<HMODULE>(module_handle);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(page_picture_resource), RT_RCDATA);
    HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const void* png = loaded != nullptr ? LockResource(loaded) : nullptr;
    DWORD size = resource != nullptr ? SizeofResource(module, resource) : 0;
    if (png == nullptr || size == 0)
        return nullptr;

    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (memory == nullptr)
        return nullptr;
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, FALSE, &stream))) {
        GlobalFree(memory);
        return nullptr;
    }
    ULONG written = 0;
    stream->Write(png, size, &written);
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);

    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    bool started = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    Gdiplus::GpImage* image = nullptr;
    Gdiplus::GpBitmap* canvas = nullptr;
    Gdiplus::GpGraphics* graphics = nullptr;
    if (started) {
        gdip::GdipLoadImageFromStream(stream, &image);
        gdip::GdipCreateBitmapFromScan0(picture_width, picture_height, 0, PixelFormat32bppARGB,
                                        nullptr, &canvas);
        if (canvas != nullptr)
            gdip::GdipGetImageGraphicsContext(canvas, &graphics);
        if (graphics != nullptr) {
            gdip::GdipGraphicsClear(graphics, opaque(GetSysColor(COLOR_BTNFACE)));
            // A square: the rightmost columns keep the background.
            if (image != nullptr)
                gdip::GdipDrawImageRectI(graphics, image, 0, 0, picture_height, picture_height);
        }
    }
    if (graphics != nullptr)
        gdip::GdipDeleteGraphics(graphics);
    if (image != nullptr)
        gdip::GdipDisposeImage(image);
    // The stream and its memory only after the decoded image is gone.
    stream->Release();
    GlobalFree(memory);
    HBITMAP bitmap = nullptr;
    if (canvas != nullptr) {
        gdip::GdipCreateHBITMAPFromBitmap(canvas, &bitmap, 0);
        gdip::GdipDisposeImage(canvas);
    }
    if (started)
        Gdiplus::GdiplusShutdown(token);
    return bitmap;
}

INT_PTR CALLBACK page_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* kept = reinterpret_cast<DialogPage*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        // Without memory for it the dialog stays empty and tells nothing.
        auto* page = new (std::nothrow) DialogPage(dialog, reinterpret_cast<OpenPage*>(lparam));
        if (page == nullptr)
            return TRUE;
        SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        page->picture = make_picture();
        if (page->picture != nullptr)
            SendDlgItemMessageW(dialog, id_picture, STM_SETIMAGE, IMAGE_BITMAP,
                                reinterpret_cast<LPARAM>(page->picture));
        page->page->window_created(reinterpret_cast<WindowHandle>(dialog), *page);
        return TRUE;
    }
    case WM_COMMAND:
        if (kept != nullptr)
            kept->page->command(static_cast<uintptr_t>(wparam));
        return FALSE;
    case WM_DESTROY:
        // The controls still exist: an old player's page stores them now.
        if (kept != nullptr) {
            SetWindowLongPtrW(dialog, DWLP_USER, 0);
            kept->page->window_destroyed();
            if (kept->picture != nullptr) {
                SendDlgItemMessageW(dialog, id_picture, STM_SETIMAGE, IMAGE_BITMAP, 0);
                DeleteObject(kept->picture);
            }
            delete kept;
        }
        EndDialog(dialog, 0);
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

WindowHandle create_page_window(WindowHandle parent, OpenPage* page) {
    HWND window = CreateDialogParamW(
        static_cast<HINSTANCE>(module_handle), MAKEINTRESOURCEW(page_dialog_resource),
        reinterpret_cast<HWND>(parent), &page_procedure, reinterpret_cast<LPARAM>(page));
    return reinterpret_cast<WindowHandle>(window);
}

} // namespace lumivox
