#include "component/preferences.h"

#include "component/settings.h"
#include "sstp/tcp.h"
#include "sstp/transport.h"
#include "sync/playback.h"

namespace lumivox {

namespace {

// The box, the feature it shows, and the edits its rule governs.
struct FeatureBox {
    int32_t id;
    Feature feature;
    TextBuffer* texts[2];
    int32_t edits[2];
};

const FeatureBox feature_boxes[] = {
    {id_send_singing, Feature::send_singing, {&cfg_primary, nullptr}, {id_primary_edit, 0}},
    {id_send_startup_exit,
     Feature::send_startup_exit,
     {&cfg_startup_script, &cfg_exit_script},
     {id_startup_edit, id_exit_edit}},
    {id_send_playing, Feature::send_playing, {&cfg_playing_script, nullptr}, {id_playing_edit, 0}},
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
    // Both boxes are about lyric files: without singing they mean nothing.
    if (rule == 1) {
        page.enable(id_allow_lrc, checked);
        page.enable(id_trust_lyric_scripts, checked);
    }
}

void fill_page(PageControls& page) {
    for (const char* entry : charset_entries)
        page.add_entry(id_charset_list, entry);
    page.select_entry(id_charset_list, static_cast<int32_t>(txt_charset()));
    page.set_checked(id_allow_lrc, lrc_allowed());
    page.set_checked(id_trust_lyric_scripts, lyric_script_trusted());
    bool direct = direct_sstp();
    page.set_checked(id_use_direct, direct);
    apply_page_rule(page, 0, direct);
    int rule = 1;
    for (const FeatureBox& box : feature_boxes) {
        bool on = feature_set(box.feature);
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

    bool direct = page.checked(id_use_direct);
    uint32_t features = 0;
    for (const FeatureBox& box : feature_boxes)
        features = with_feature(features, box.feature, page.checked(box.id));
    if (features != cfg_features) {
        if (!component_enabled(features)) {
            unregister_playback_events();
            tcp_unload();
        } else {
            select_transport(direct);
            if (!component_enabled())
                register_playback_events();
        }
        cfg_features = features;
    }

    // Only a stored charset index of 3 leaves the list without a selection;
    // that index is kept rather than adding -1 into the word.
    int32_t selected = page.selected_entry(id_charset_list);
    TxtCharset charset = selected >= 0 ? static_cast<TxtCharset>(selected) : txt_charset();
    uint32_t options = with_txt_charset(0, charset);
    options = with_option(options, Option::lrc_allowed, page.checked(id_allow_lrc));
    options =
        with_option(options, Option::lyric_script_trusted, page.checked(id_trust_lyric_scripts));
    cfg_options = with_option(options, Option::direct_sstp, direct);
}

} // namespace lumivox
