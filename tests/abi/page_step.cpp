// The preferences page inside a window of the host's own, as each kind of
// player opens it: through create, as players before 1.0 do, where the page
// stores its fields when it is destroyed; and through preferences_page_v3's
// instance, as every later player does: the page tells the callback of each
// change, answers whether it differs from what is stored, stores on apply
// only, previews the defaults on reset, hands its window to the player's
// dark mode, and gives back every reference it took. The component fills its
// fields through the player's UTF-8 functions and stores them back through
// uGetDlgItemText and the player's text object.
#include "host_session.h"
#include "player_services.h"
#include "player_streams.h"
#include "report.h"
#include "text.h"

namespace abi {
namespace {

using namespace player;

constexpr int box_direct = 1001;
constexpr int box_singing = 1002;
constexpr int box_startup_exit = 1003;
constexpr int box_playing = 1004;
constexpr int edit_startup = 1005;
constexpr int edit_playing = 1007;
constexpr int edit_primary = 1013;
constexpr UINT wm_command = 0x0111;
constexpr UINT bm_getcheck = 0x00F0;
constexpr UINT bm_setcheck = 0x00F1;
constexpr DWORD overlapped_window = 0x00CF0000;
constexpr uint32_t unchanged_state =
    preferences_state_resettable | preferences_state_dark_mode_supported;
constexpr uint32_t changed_state = unchanged_state | preferences_state_changed;
// Not plain ASCII, so that the text must go through UTF-16 and back intact.
constexpr char changed_playing[] = "'\\0\\s[0]Now: '%title%' \xE2\x99\xAA\\e'";
constexpr char changed_primary[] = "\\0\\s[9]%ILYX\\e";
constexpr char default_primary[] = "\\0\\s[25]%ILYX\\e";

char field_text[1024];
// What the component should hold, as the steps change it.
Settings stored;

const char* dialog_text(HWND page, int id) {
    wchar_t wide[512] = {};
    GetDlgItemTextW(page, id, wide, 512);
    field_text[0] = '\0';
    to_utf8(wide, field_text, sizeof field_text);
    return field_text;
}

// The edit sends its own change notification to the page.
void type_into(HWND page, int id, const char* text) {
    wchar_t wide[512];
    to_wide(text, wide, 512);
    SetDlgItemTextW(page, id, wide);
}

void pump_messages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, 1)) { // PM_REMOVE
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The box toggles, then tells the page as a clicked box does.
void click(HWND page, int id) {
    HWND box = GetDlgItem(page, id);
    bool checked = SendMessageW(box, bm_getcheck, 0, 0) == 1;
    SendMessageW(box, bm_setcheck, checked ? 0 : 1, 0);
    SendMessageW(page, wm_command, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(box));
}

bool is_checked(HWND page, int id) {
    return SendMessageW(GetDlgItem(page, id), bm_getcheck, 0, 0) == 1;
}

void check_stored(const char* when, HostSession& session) {
    session.client->get_config(open_blob_writer(), abort_token());
    check_blob(when, blob_written(), stored);
}

// The player's callback: it counts the page's references and calls.
class StateCallback final : public preferences_page_callback {
  public:
    int service_release() override { return --references; }
    int service_add_ref() override { return ++references; }
    bool service_query(service_ptr_t<service_base>&, const GUID&) override { return false; }
    void on_state_changed() override { ++notifications; }

    long references = 1; // the host's own
    long notifications = 0;
};

StateCallback callback;

// An instance of the page under parent, as the player makes it: the callback
// goes by value, the instance comes back by value.
struct Instance {
    service_ptr_t<preferences_page_instance> instance;
    HWND window = nullptr;
};

bool instantiate(preferences_page_v3* page, HWND parent, Instance& out) {
    out.instance = page->instantiate(parent, service_ptr_t<preferences_page_callback>(&callback));
    if (!check(out.instance.is_valid(), "instantiate answered an instance through the result"))
        return false;
    out.window = out.instance->get_wnd();
    if (!check(out.window != nullptr && IsWindow(out.window) && GetParent(out.window) == parent,
               "get_wnd: a child window of the host's"))
        return false;
    pump_messages();
    return true;
}

// Destroys the window, then gives the instance its last release, as the
// player does; answers what that release answered.
int close_instance(Instance& page) {
    DestroyWindow(page.window);
    pump_messages();
    long held = callback.references;
    int left = page.instance.detach()->service_release();
    check(held == 2 && callback.references == 1,
          "the instance held the callback until its last release (%ld references while its "
          "window was gone, %ld after)",
          held, callback.references);
    return left;
}

uint32_t state_of(Instance& page) {
    return page.instance->get_state();
}

void use_created_page(HostSession& session, HWND parent) {
    step("8. preferences page, created as players before 1.0 do");
    HWND page = session.page->create(parent);
    if (!check(page != nullptr && IsWindow(page), "preferences_page::create answered a window"))
        return;
    check(GetParent(page) == parent, "the page is a child of the host's window");
    pump_messages();
    check_text("edit 1013 shows the primary template", dialog_text(page, edit_primary),
               stored.primary);
    check_text("edit 1007 shows the playing script", dialog_text(page, edit_playing),
               stored.playing);
    type_into(page, edit_playing, changed_playing);
    pump_messages();
    say("-- DestroyWindow(page)");
    DestroyWindow(page);
    pump_messages();
    check(!IsWindow(page), "the page is gone");
    stored.playing = changed_playing;
    check_stored("after the created page closed", session);
}

preferences_page_v3* query_v3(HostSession& session, service_ptr_t<service_base>& held) {
    step("9a. preferences_page_v3: the query");
    service_ptr_t<service_base> v2;
    check(session.page->service_query(v2, guid_preferences_page_v2) && v2.get_ptr() == session.page,
          "service_query answers preferences_page_v2 with the page itself");
    if (!check(session.page->service_query(held, guid_preferences_page_v3) &&
                   held.get_ptr() == session.page,
               "service_query answers preferences_page_v3 with the page itself"))
        return nullptr;
    auto* page = static_cast<preferences_page_v3*>(held.get_ptr());
    double priority = page->get_sort_priority();
    check(priority == 0.0, "get_sort_priority 0 (%d/1000)", static_cast<int>(priority * 1000));
    return page;
}

void changes_and_undoing(preferences_page_v3* v3, HWND parent) {
    step("9b. instantiate; a click, an edit and their undoing");
    clear_dark_mode_use();
    Instance page;
    if (!instantiate(v3, parent, page))
        return;
    check(callback.references == 2, "the page keeps the callback handed to it (%ld references)",
          callback.references);
    const DarkModeUse& dark = dark_mode_use();
    check(dark.creates == 1 && dark.dialogs == 1 && dark.dialog == page.window &&
              dark.control_sets == 1 && dark.controls == page.window,
          "coreDarkMode::createAuto, then addDialog and addControls with the page's window (%d, "
          "%d, %d calls)",
          dark.creates, dark.dialogs, dark.control_sets);
    check(dark_mode_object_references() == 2, "the page keeps the dark-mode object (%ld)",
          dark_mode_object_references());
    check_text("edit 1013 shows the primary template", dialog_text(page.window, edit_primary),
               stored.primary);
    check(state_of(page) == unchanged_state, "get_state: resettable, dark mode, unchanged (0x%X)",
          state_of(page));

    long told = callback.notifications;
    click(page.window, box_singing);
    check(callback.notifications == told + 1 && state_of(page) == changed_state,
          "a click: on_state_changed, and get_state says changed (%ld calls, state 0x%X)",
          callback.notifications - told, state_of(page));
    click(page.window, box_singing);
    check(callback.notifications == told + 2 && state_of(page) == unchanged_state,
          "the click undone: on_state_changed, and unchanged again (%ld calls, state 0x%X)",
          callback.notifications - told, state_of(page));
    type_into(page.window, edit_startup, "\\0x\\e");
    check(callback.notifications == told + 3 && state_of(page) == changed_state,
          "an edit: on_state_changed, and changed (%ld calls, state 0x%X)",
          callback.notifications - told, state_of(page));
    type_into(page.window, edit_startup, stored.startup);
    check(state_of(page) == unchanged_state, "the edit undone: unchanged (state 0x%X)",
          state_of(page));
    check(close_instance(page) == 0, "the last release frees the instance");
    check(dark_mode_object_references() == 1, "the dark-mode object released with the page (%ld)",
          dark_mode_object_references());
}

void apply_reset_cancel(HostSession& session, preferences_page_v3* v3, HWND parent) {
    step("9c. apply with the page open, then Reset page and Cancel");
    Instance page;
    if (!instantiate(v3, parent, page))
        return;
    const Registration& registration = callback_registration();
    int registered = registration.registered;
    int unregistered = registration.unregistered;
    const int send_boxes[] = {box_singing, box_startup_exit, box_playing};
    for (int box : send_boxes)
        click(page.window, box);
    long told = callback.notifications;
    say("-- apply() with every Send box off");
    page.instance->apply();
    check(registration.unregistered == unregistered + 1 && IsWindow(page.window),
          "apply: unregister_callback at once, the page still open (%d calls)",
          registration.unregistered - unregistered);
    check(callback.notifications > told && state_of(page) == unchanged_state,
          "after apply: on_state_changed, and unchanged (state 0x%X)", state_of(page));
    stored.features = 0;
    check_stored("after apply", session);

    click(page.window, box_startup_exit);
    say("-- apply() with Send Startup/Exit Script on");
    page.instance->apply();
    check(registration.registered == registered + 1, "apply: register_callback at once (%d calls)",
          registration.registered - registered);
    stored.features = 0x10;
    check_stored("after the second apply", session);

    told = callback.notifications;
    say("-- reset()");
    page.instance->reset();
    check(callback.notifications == told + 1 && state_of(page) == changed_state,
          "reset: on_state_changed once, and changed (%ld calls, state 0x%X)",
          callback.notifications - told, state_of(page));
    check_text("reset: edit 1013 shows the default template",
               dialog_text(page.window, edit_primary), default_primary);
    check(is_checked(page.window, box_direct) && is_checked(page.window, box_singing) &&
              is_checked(page.window, box_playing),
          "reset: the boxes show the defaults");
    check_stored("after reset: a preview only", session);
    say("-- DestroyWindow(page) alone: Cancel");
    check(close_instance(page) == 0, "the last release frees the instance");
    check_stored("after Cancel", session);
}

void press_ok(HostSession& session, preferences_page_v3* v3, HWND parent) {
    step("9d. OK");
    Instance page;
    if (!instantiate(v3, parent, page))
        return;
    click(page.window, box_singing);
    click(page.window, box_playing);
    type_into(page.window, edit_primary, changed_primary);
    say("-- apply(), then DestroyWindow(page)");
    page.instance->apply();
    check(close_instance(page) == 0, "the last release frees the instance");
    stored.features = 0x111;
    stored.primary = changed_primary;
    check_stored("after OK", session);
}

void without_dark_mode_and_out_of_order(preferences_page_v3* v3, HWND parent) {
    step("9e. a player without dark mode; the instance released before its window");
    set_dark_mode_present(false);
    clear_dark_mode_use();
    Instance page;
    if (instantiate(v3, parent, page)) {
        const DarkModeUse& dark = dark_mode_use();
        check(dark.creates == 0 && dark.dialogs == 0 && dark.control_sets == 0,
              "no dark-mode service: nothing asked of it");
        check(close_instance(page) == 0, "the last release frees the instance");
    }
    set_dark_mode_present(true);

    if (!instantiate(v3, parent, page))
        return;
    click(page.window, box_direct);
    int left = page.instance.detach()->service_release();
    check(left == 1 && callback.references == 2,
          "released first, the instance lives on with its window (%d left, callback %ld)", left,
          callback.references);
    DestroyWindow(page.window);
    pump_messages();
    check(callback.references == 1 && dark_mode_object_references() == 1,
          "the window gone, the page gave back the callback and the dark-mode object (%ld, %ld)",
          callback.references, dark_mode_object_references());
}

void many_pages(HostSession& session, preferences_page_v3* v3, HWND parent) {
    step("9f. 50 pages, each destroyed and released");
    int unbalanced = 0;
    for (int i = 0; i < 50; ++i) {
        Instance page;
        if (!instantiate(v3, parent, page))
            return;
        click(page.window, box_direct);
        if (i % 2 == 0)
            page.instance->apply();
        DestroyWindow(page.window);
        pump_messages();
        int left = page.instance.detach()->service_release();
        if (left != 0 || callback.references != 1 || dark_mode_object_references() != 1)
            ++unbalanced;
    }
    check(unbalanced == 0, "every page freed and every reference given back (%d pages not)",
          unbalanced);
    // 25 applied clicks on Use Direct SSTP, from off: on.
    stored.options = 0x1100;
    check_stored("after 50 pages", session);
}

} // namespace

void use_page(HostSession& session) {
    stored = configured;
    HWND parent = CreateWindowExW(0, L"STATIC", L"Lumivox ABI host", overlapped_window, 0, 0, 700,
                                  600, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    DWORD error = parent == nullptr ? GetLastError() : 0;
    if (!check(parent != nullptr, "a window of the host's own to hold the page (error %lu)", error))
        return;
    use_created_page(session, parent);
    service_ptr_t<service_base> held;
    if (preferences_page_v3* v3 = query_v3(session, held)) {
        changes_and_undoing(v3, parent);
        apply_reset_cancel(session, v3, parent);
        press_ok(session, v3, parent);
        without_dark_mode_and_out_of_order(v3, parent);
        many_pages(session, v3, parent);
    }
    check(callback.references == 1, "the host's callback has its own reference only (%ld)",
          callback.references);
    DestroyWindow(parent);
}

} // namespace abi
