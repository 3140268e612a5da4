#include "component/preferences.h"

#include "component/settings.h"
#include "sstp/transport.h"
#include "sync/playback.h"

#include <cstring>

namespace lumivox {

namespace {

// What a control shows of the settings.
enum class Shows { charset, option, feature, download, text };

struct PageSetting {
    int32_t id;
    Shows shows;
    Option option = {};
    Feature feature = {};
    TextBuffer* text = nullptr;
    const char* default_text = nullptr;
};

// Every control that shows a setting, in the order the page fills them.
// Filling, resetting, comparing and storing all go by this table, so a new
// setting on the page is one more line here (and a rule below when a box
// governs it).
const PageSetting page_settings[] = {
    {.id = id_charset_list, .shows = Shows::charset},
    {.id = id_allow_lrc, .shows = Shows::option, .option = Option::lrc_allowed},
    {.id = id_trust_lyric_scripts, .shows = Shows::option, .option = Option::lyric_script_trusted},
    {.id = id_use_direct, .shows = Shows::option, .option = Option::direct_sstp},
    {.id = id_send_singing, .shows = Shows::feature, .feature = Feature::send_singing},
    {.id = id_primary_edit,
     .shows = Shows::text,
     .text = &cfg_primary,
     .default_text = default_primary},
    {.id = id_send_startup_exit, .shows = Shows::feature, .feature = Feature::send_startup_exit},
    {.id = id_startup_edit,
     .shows = Shows::text,
     .text = &cfg_startup_script,
     .default_text = default_startup_script},
    {.id = id_exit_edit,
     .shows = Shows::text,
     .text = &cfg_exit_script,
     .default_text = default_exit_script},
    {.id = id_send_playing, .shows = Shows::feature, .feature = Feature::send_playing},
    {.id = id_playing_edit,
     .shows = Shows::text,
     .text = &cfg_playing_script,
     .default_text = default_playing_script},
    {.id = id_lrclib_download, .shows = Shows::download},
    {.id = id_lyrics_folder_edit,
     .shows = Shows::text,
     .text = &cfg_lyrics_folder,
     .default_text = ""},
    {.id = id_lrclib_server_edit,
     .shows = Shows::text,
     .text = &cfg_lrclib_server,
     .default_text = default_lrclib_server},
};

// What the boxes of rules 1-3 (1002-1004) govern: edits writable and
// controls enabled only while the box is checked; 0 ends a list.
struct Governed {
    int32_t edits[3];
    int32_t controls[3];
};

const Governed governed[] = {
    // The lyric options: without singing they mean nothing.
    {{id_primary_edit, id_lyrics_folder_edit, id_lrclib_server_edit},
     {id_allow_lrc, id_trust_lyric_scripts, id_lrclib_download}},
    {{id_startup_edit, id_exit_edit, 0}, {0, 0, 0}},
    {{id_playing_edit, 0, 0}, {0, 0, 0}},
};

constexpr int rule_count = 4;

uint32_t notification_of(Shows shows) {
    switch (shows) {
    case Shows::charset:
        return notify_selection;
    case Shows::text:
        return notify_edit;
    case Shows::option:
    case Shows::feature:
    case Shows::download:
        break;
    }
    return notify_click;
}

// The stored index is kept while the list shows none: only a stored index
// of 3 leaves it so, and that is not added into the word as -1.
TxtCharset shown_charset(PageControls& page, int32_t id) {
    int32_t selected = page.selected_entry(id);
    return selected >= 0 ? static_cast<TxtCharset>(selected) : txt_charset();
}

void show_settings(PageControls& page, bool defaults) {
    uint32_t options = defaults ? default_options : cfg_options;
    uint32_t features = defaults ? default_features : cfg_features;
    for (const PageSetting& s : page_settings) {
        switch (s.shows) {
        case Shows::charset:
            page.select_entry(s.id, static_cast<int32_t>(txt_charset(options)));
            break;
        case Shows::option:
            page.set_checked(s.id, option_set(s.option, options));
            break;
        case Shows::feature:
            page.set_checked(s.id, feature_set(s.feature, features));
            break;
        case Shows::download:
            page.set_checked(
                s.id, lrclib_download(defaults ? default_lyric_download : cfg_lyric_download));
            break;
        case Shows::text:
            page.set_text(s.id, defaults ? s.default_text : s.text->get());
            break;
        }
    }
    for (int rule = 0; rule < rule_count; ++rule)
        apply_page_rule(page, rule, page.checked(id_use_direct + rule));
}

// A change of cfg_features takes effect at once; direct is the transport the
// page shows.
void apply_features(uint32_t features, bool direct) {
    if (features == cfg_features)
        return;
    if (!component_enabled(features)) {
        unregister_playback_events();
        transport_shutdown();
    } else {
        select_transport(direct);
        if (!component_enabled())
            register_playback_events();
    }
    cfg_features = features;
}

} // namespace

void apply_page_rule(PageControls& page, int rule, bool checked) {
    if (rule == 0) {
        page.set_text(id_transport_label, checked ? label_direct : label_tcp);
        return;
    }
    if (rule < 1 || rule >= rule_count)
        return;
    const Governed& g = governed[rule - 1];
    for (int32_t edit : g.edits) {
        if (edit != 0)
            page.set_read_only(edit, !checked);
    }
    for (int32_t control : g.controls) {
        if (control != 0)
            page.enable(control, checked);
    }
}

void fill_page(PageControls& page) {
    for (const char* entry : charset_entries)
        page.add_entry(id_charset_list, entry);
    show_settings(page, false);
}

void show_defaults(PageControls& page) {
    show_settings(page, true);
}

void page_command(PageControls& page, uintptr_t command) {
    // The ID in the low half and 0, a click, in the high half.
    if (command >= static_cast<uintptr_t>(id_use_direct) &&
        command < static_cast<uintptr_t>(id_use_direct + rule_count)) {
        int32_t id = static_cast<int32_t>(command);
        apply_page_rule(page, id - id_use_direct, page.checked(id));
    }
}

bool is_setting_change(uintptr_t command) {
    for (const PageSetting& s : page_settings) {
        if (command == control_command(s.id, notification_of(s.shows)))
            return true;
    }
    return false;
}

bool page_differs(PageControls& page) {
    TextBuffer shown;
    for (const PageSetting& s : page_settings) {
        bool differs = false;
        switch (s.shows) {
        case Shows::charset:
            differs = shown_charset(page, s.id) != txt_charset();
            break;
        case Shows::option:
            differs = page.checked(s.id) != option_set(s.option);
            break;
        case Shows::feature:
            differs = page.checked(s.id) != feature_set(s.feature);
            break;
        case Shows::download:
            differs = page.checked(s.id) != lrclib_download();
            break;
        case Shows::text:
            page.get_text(s.id, shown);
            differs = std::strcmp(shown.get(), s.text->get()) != 0;
            break;
        }
        if (differs)
            return true;
    }
    return false;
}

void store_page(PageControls& page) {
    // Bits no control shows are written as 0.
    uint32_t options = 0;
    uint32_t features = 0;
    for (const PageSetting& s : page_settings) {
        switch (s.shows) {
        case Shows::charset:
            options = with_txt_charset(options, shown_charset(page, s.id));
            break;
        case Shows::option:
            options = with_option(options, s.option, page.checked(s.id));
            break;
        case Shows::feature:
            features = with_feature(features, s.feature, page.checked(s.id));
            break;
        case Shows::download:
            cfg_lyric_download = with_lrclib_download(cfg_lyric_download, page.checked(s.id));
            break;
        case Shows::text:
            page.get_text(s.id, *s.text);
            break;
        }
    }
    apply_features(features, direct_sstp(options));
    cfg_options = options;
}

} // namespace lumivox
