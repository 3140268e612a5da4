#include "component/preferences.h"

#include "component/settings.h"
#include "sstp/tcp.h"
#include "sstp/transport.h"
#include "sync/playback.h"

namespace lumivox {

namespace {

constexpr uint32_t options_lrc = 0x100;
constexpr uint32_t options_direct = 0x1000;
constexpr uint32_t options_charset = 0x3;
constexpr uint32_t features_singing = 0x1;
constexpr uint32_t features_startup_exit = 0x10;
constexpr uint32_t features_playing = 0x100;

uint32_t check_state(PageControls& page, int32_t id) {
    return page.checked(id) ? 1u : 0u;
}

// The box, the bit it shows, and the edits its rule governs.
struct FeatureBox {
    int32_t id;
    uint32_t bit;
    TextBuffer* texts[2];
    int32_t edits[2];
};

const FeatureBox feature_boxes[] = {
    {id_send_singing, features_singing, {&cfg_primary, nullptr}, {id_primary_edit, 0}},
    {id_send_startup_exit,
     features_startup_exit,
     {&cfg_startup_script, &cfg_exit_script},
     {id_startup_edit, id_exit_edit}},
    {id_send_playing, features_playing, {&cfg_playing_script, nullptr}, {id_playing_edit, 0}},
};

} // namespace

void apply_page_rule(PageControls& page, int rule, bool checked) {
    if (rule == 0) {
        page.set_text(id_transport_label, checked ? label_direct : label_tcp);
        return;
    }
    if (rule < 1 || rule > 3)
        return;
    const FeatureBox& box = feature_boxes[rule - 1];
    for (int32_t edit : box.edits) {
        if (edit != 0)
            page.set_read_only(edit, !checked);
    }
    if (rule == 1)
        page.enable(id_allow_lrc, checked);
}

void fill_page(PageControls& page) {
    for (const char* entry : charset_entries)
        page.add_entry(id_charset_list, entry);
    page.select_entry(id_charset_list, static_cast<int32_t>(cfg_options & options_charset));
    page.set_checked(id_allow_lrc, (cfg_options & options_lrc) != 0);
    bool direct = (cfg_options & options_direct) != 0;
    page.set_checked(id_use_direct, direct);
    apply_page_rule(page, 0, direct);
    int rule = 1;
    for (const FeatureBox& box : feature_boxes) {
        bool on = (cfg_features & box.bit) != 0;
        page.set_checked(box.id, on);
        apply_page_rule(page, rule++, on);
        for (int i = 0; i < 2; ++i) {
            if (box.texts[i] != nullptr)
                page.set_text(box.edits[i], box.texts[i]->get());
        }
    }
}

void page_command(PageControls& page, uintptr_t command) {
    // The ID in the low half and 0, a click, in the high half.
    if (command >= static_cast<uintptr_t>(id_use_direct) &&
        command <= static_cast<uintptr_t>(id_send_playing)) {
        int32_t id = static_cast<int32_t>(command);
        apply_page_rule(page, id - id_use_direct, page.checked(id));
    }
}

void store_page(PageControls& page) {
    page.get_text(id_primary_edit, cfg_primary);
    page.get_text(id_startup_edit, cfg_startup_script);
    page.get_text(id_exit_edit, cfg_exit_script);
    page.get_text(id_playing_edit, cfg_playing_script);

    uint32_t direct = check_state(page, id_use_direct);
    uint32_t features = 0;
    for (const FeatureBox& box : feature_boxes)
        features |= check_state(page, box.id) * box.bit;
    if (features != cfg_features) {
        if (features == 0) {
            unregister_playback_events();
            tcp_unload();
            cfg_features = 0;
        } else {
            select_transport(static_cast<int>(direct));
            if (cfg_features == 0)
                register_playback_events();
            cfg_features = features;
        }
    }

    // Only a stored charset index of 3 leaves the list without a selection;
    // that index is kept rather than adding -1 into the word.
    int32_t selected = page.selected_entry(id_charset_list);
    uint32_t charset = selected >= 0 ? static_cast<uint32_t>(selected) & options_charset
                                     : cfg_options & options_charset;
    cfg_options = charset + check_state(page, id_allow_lrc) * options_lrc + direct * options_direct;
}

} // namespace lumivox
