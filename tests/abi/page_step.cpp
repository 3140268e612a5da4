// The preferences page inside a window of the host's own: the component fills
// its fields through the player's UTF-8 functions and stores them back through
// uGetDlgItemText and the player's text object when the page is destroyed.
#include "host_session.h"
#include "player_streams.h"
#include "report.h"
#include "text.h"

namespace abi {
namespace {

constexpr int edit_primary = 1013;
constexpr int edit_playing = 1007;
constexpr DWORD overlapped_window = 0x00CF0000;
// Not plain ASCII, so that the text must go through UTF-16 and back intact.
constexpr char changed_playing[] = "'\\0\\s[0]Now: '%title%' \xE2\x99\xAA\\e'";

char field_text[1024];

const char* dialog_text(HWND page, int id) {
    wchar_t wide[512] = {};
    GetDlgItemTextW(page, id, wide, 512);
    field_text[0] = '\0';
    to_utf8(wide, field_text, sizeof field_text);
    return field_text;
}

void pump_messages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, 1)) { // PM_REMOVE
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace

void use_page(HostSession& session) {
    step("8. preferences page");
    HWND parent = CreateWindowExW(0, L"STATIC", L"Lumivox ABI host", overlapped_window, 0, 0, 700,
                                  600, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    DWORD error = parent == nullptr ? GetLastError() : 0;
    if (!check(parent != nullptr, "a window of the host's own to hold the page (error %lu)", error))
        return;
    HWND page = session.page->create(parent);
    if (!check(page != nullptr && IsWindow(page), "preferences_page::create answered a window")) {
        DestroyWindow(parent);
        return;
    }
    check(GetParent(page) == parent, "the page is a child of the host's window");
    pump_messages();
    check_text("edit 1013 shows the primary template", dialog_text(page, edit_primary),
               configured.primary);
    check_text("edit 1007 shows the playing script", dialog_text(page, edit_playing),
               configured.playing);

    wchar_t wide[256];
    to_wide(changed_playing, wide, 256);
    SetDlgItemTextW(page, edit_playing, wide);
    pump_messages();
    say("-- DestroyWindow(page)");
    DestroyWindow(page);
    pump_messages();
    check(!IsWindow(page), "the page is gone");

    session.client->get_config(open_blob_writer(), abort_token());
    Settings expected = configured;
    expected.playing = changed_playing;
    check_blob("after the page closed", blob_written(), expected);
    DestroyWindow(parent);
}

} // namespace abi
