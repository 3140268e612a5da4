// The preferences page: the rules that tie its controls together, and what
// opening it, comparing it, applying it and resetting it do with the
// settings. Both lanes run these same steps through PageControls; only how
// the page is drawn and hosted differs (component/win32: the dialog;
// component/posix: a model the host drives).
#pragma once

#include "component/service_api.h"
#include "component/text_buffer.h"
#include "resources/control_ids.h"

#include <cstdint>

namespace lumivox {

// Control IDs, as the dialog template names them.
constexpr int32_t id_use_direct = LUMIVOX_USE_DIRECT;
constexpr int32_t id_send_singing = LUMIVOX_SEND_SINGING;
constexpr int32_t id_send_startup_exit = LUMIVOX_SEND_STARTUP_EXIT;
constexpr int32_t id_send_playing = LUMIVOX_SEND_PLAYING;
constexpr int32_t id_startup_edit = LUMIVOX_STARTUP_EDIT;
constexpr int32_t id_exit_edit = LUMIVOX_EXIT_EDIT;
constexpr int32_t id_playing_edit = LUMIVOX_PLAYING_EDIT;
constexpr int32_t id_charset_list = LUMIVOX_CHARSET_LIST;
constexpr int32_t id_picture = LUMIVOX_PICTURE;
constexpr int32_t id_allow_lrc = LUMIVOX_ALLOW_LRC;
constexpr int32_t id_primary_edit = LUMIVOX_PRIMARY_EDIT;
constexpr int32_t id_trust_lyric_scripts = LUMIVOX_TRUST_LYRIC_SCRIPTS;
constexpr int32_t id_lrclib_download = LUMIVOX_LRCLIB_DOWNLOAD;
constexpr int32_t id_lyrics_folder_edit = LUMIVOX_LYRICS_FOLDER_EDIT;
constexpr int32_t id_lrclib_server_edit = LUMIVOX_LRCLIB_SERVER_EDIT;
constexpr int32_t id_transport_label = LUMIVOX_TRANSPORT_LABEL;

// Three spaces before "FMO:", two after it and after "Server:".
inline constexpr char label_direct[] = "   FMO:  Sakura";
inline constexpr char label_tcp[] = "Server:  localhost:9801";

inline constexpr const char* charset_entries[] = {"Default", "UTF-8", "Shift_JIS"};

inline constexpr char preferences_page_name[] = "Lumivox";
inline constexpr char preferences_help_url[] = "https://lumivox.invalid/README.md#preferences";

// The notification codes of WM_COMMAND's high half that tell of a change:
// a click on a check box, a new selection in the list, an edit's new text.
// The page model sends the same as the dialog's controls do.
constexpr uint32_t notify_click = 0;     // BN_CLICKED
constexpr uint32_t notify_selection = 1; // CBN_SELCHANGE
constexpr uint32_t notify_edit = 0x300;  // EN_CHANGE
constexpr uintptr_t control_command(int32_t id, uint32_t code) {
    return static_cast<uintptr_t>(static_cast<uint16_t>(id)) | uintptr_t{code} << 16;
}

// What the steps need of the page's controls, by control ID.
class PageControls {
  public:
    virtual bool checked(int32_t id) = 0;
    virtual void set_checked(int32_t id, bool on) = 0;
    virtual void enable(int32_t id, bool on) = 0;
    // Read-only keeps an edit's text selectable, unlike disabling.
    virtual void set_read_only(int32_t id, bool on) = 0;
    virtual void set_text(int32_t id, const char* text) = 0;
    virtual void get_text(int32_t id, TextBuffer& out) = 0;
    virtual void add_entry(int32_t id, const char* text) = 0;
    virtual void select_entry(int32_t id, int32_t index) = 0;
    // -1 when no entry is selected.
    virtual int32_t selected_entry(int32_t id) = 0;

  protected:
    ~PageControls() = default;
};

// Rule n belongs to check box 1001 + n and sets what it governs from its
// check state.
void apply_page_rule(PageControls& page, int rule, bool checked);

// Fills the list and the controls from the settings and applies the four
// rules (every opening step after the picture).
void fill_page(PageControls& page);

// Puts the defaults into the controls, with the rules, and stores nothing.
void show_defaults(PageControls& page);

// A command from a control (the whole first parameter of WM_COMMAND): a click
// on one of the four check boxes with a rule applies that rule with the
// box's check state. Anything else is ignored. Nothing is stored.
void page_command(PageControls& page, uintptr_t command);

// Whether the command tells of a change to a control that shows a setting.
bool is_setting_change(uintptr_t command);

// Whether any control shows other than the stored setting it stands for.
bool page_differs(PageControls& page);

// Stores every setting the page shows from the controls and applies a change of
// cfg_features at once: off unregisters the playback callbacks, stops the
// lyrics and unloads the network library; on selects the transport and, when
// it was off, registers the callbacks again. A change of the transport
// alone is stored and takes effect at the next host start.
void store_page(PageControls& page);

// The preferences-page entry of the service list.
ServiceEntry* preferences_page_entry();

} // namespace lumivox
