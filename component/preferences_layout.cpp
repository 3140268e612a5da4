#include "component/preferences_layout.h"

#include "component/preferences.h"

namespace lumivox {

namespace {
using enum PageControlKind;
constexpr uint32_t edit_style = style_border | style_auto_scroll | style_tab_stop;
} // namespace

const ControlLayout page_layout[page_control_count] = {
    {-1, group_box, "SSTP Setting", 16, 12, 154, 76, 0},
    {id_use_direct, check_box, "Use Direct SSTP", 32, 30, 120, 10, style_tab_stop},
    {id_transport_label, label, "", 35, 46, 108, 10, style_group},
    {-1, label, "Charset:", 30, 64, 30, 10, style_group | style_right},
    {id_charset_list, list, "", 64, 63, 82, 13, style_vscroll | style_tab_stop},
    {id_picture, picture, "", 200, 9, 97, 92, 0},
    {-1, group_box, "Sakura Script", 16, 100, 300, 212, 0},
    {id_send_singing, check_box, "Send Singing Script", 32, 118, 120, 10, style_tab_stop},
    {id_allow_lrc, check_box, "Allow .lrc file", 224, 118, 72, 10, style_tab_stop},
    {-1, label, "Primary:", 40, 134, 30, 8, style_right},
    {id_primary_edit, edit, "", 74, 134, 224, 12, edit_style},
    {id_send_startup_exit, check_box, "Send Startup/Exit Script", 32, 154, 120, 10, style_tab_stop},
    {-1, label, "Startup:", 40, 170, 30, 8, style_right},
    {id_startup_edit, edit, "", 74, 170, 224, 12, edit_style},
    {-1, label, "Exit:", 40, 186, 30, 8, style_right},
    {id_exit_edit, edit, "", 74, 186, 224, 12, edit_style},
    {id_send_playing, check_box, "Send Playing Script", 32, 204, 120, 10, style_tab_stop},
    {-1, label, "Playing:", 40, 220, 30, 8, style_right},
    {id_playing_edit, edit, "", 74, 220, 224, 12, edit_style},
    {-1, label, "*Playing script should be considered a titleformat script.", 74, 236, 216, 8,
     style_group},
    // The only free row of the group, below the footnote.
    {id_trust_lyric_scripts, check_box, "Allow all SakuraScript in lyric files", 32, 246, 160, 10,
     style_tab_stop},
    // Where lyrics come from beyond the track's folder and tags; the box
    // says what a download sends.
    {id_lrclib_download, check_box,
     "Download synced lyrics from LRCLIB (sends the track's artist, title, album and length)", 32,
     260, 266, 16, style_tab_stop | style_multiline},
    {-1, label, "Lyrics folder:", 18, 282, 52, 8, style_right},
    {id_lyrics_folder_edit, edit, "", 74, 280, 224, 12, edit_style},
    {-1, label, "LRCLIB server:", 18, 298, 52, 8, style_right},
    {id_lrclib_server_edit, edit, "", 74, 296, 224, 12, edit_style},
};

} // namespace lumivox
