// The preferences page on either lane, worked as the player works it: what
// it shows when it opens, what its clicks change at once and tell the host,
// what Apply, OK, Cancel and "Reset page" store and apply, dark mode, and the
// references the page holds. The old players' create is tested too.
#include "base/text.h"
#include "component/preferences.h"
#include "component/settings.h"
#include "sstp/direct.h"
#include "sstp/tcp.h"
#include "sstp/transport.h"
#include "sync/playback.h"
#include "sync/scheduler.h"
#include "tests/prefs/page_driver.h"
#include "tests/prefs/page_fixture.h"
#include "tests/support/seams.h"
#include "timeline/timeline.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox::test {
namespace {

const int check_boxes[] = {id_use_direct,        id_send_singing, id_allow_lrc,
                           id_send_startup_exit, id_send_playing, id_trust_lyric_scripts};
// The boxes about lyric files, enabled only while singing is.
const int lyric_boxes[] = {id_allow_lrc, id_trust_lyric_scripts};
const int edits[] = {id_primary_edit, id_startup_edit, id_exit_edit, id_playing_edit};

const Settings defaults = {default_options,        default_features,    default_primary,
                           default_startup_script, default_exit_script, default_playing_script};

bool contains(const std::vector<int>& ids, int id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// Clicks the box only when it does not show the wanted state.
void set_box(int id, bool on) {
    if (control_state(id).checked != on) {
        ASSERT_TRUE(click_check_box(id)) << id;
    }
}

// Expects exactly the listed edits to be read-only.
void expect_read_only(const std::vector<int>& read_only, const std::string& context) {
    for (int id : edits)
        EXPECT_EQ(control_state(id).read_only, contains(read_only, id)) << context << ": " << id;
}

struct Opening {
    const char* name;
    uint32_t options;
    uint32_t features;
    std::vector<int> checked;
    std::vector<int> read_only;
    bool lyric_boxes_enabled;
    int selection;
    const char* entry;
    const char* label;
};

TEST_F(PageTest, OpensShowingTheSettings) {
    const Opening cases[] = {
        {"defaults",
         0x1100,
         0x111,
         {id_use_direct, id_send_singing, id_allow_lrc, id_send_startup_exit, id_send_playing},
         {},
         true,
         0,
         "Default",
         "   FMO:  Sakura"},
        {"start-up and exit scripts only, lyric scripts trusted",
         0x11100,
         0x10,
         {id_use_direct, id_allow_lrc, id_send_startup_exit, id_trust_lyric_scripts},
         {id_primary_edit, id_playing_edit},
         false,
         0,
         "Default",
         "   FMO:  Sakura"},
        {"TCP, Shift_JIS, no .lrc, singing only, lyric scripts trusted",
         0x10002,
         0x1,
         {id_send_singing, id_trust_lyric_scripts},
         {id_startup_edit, id_exit_edit, id_playing_edit},
         true,
         2,
         "Shift_JIS",
         "Server:  localhost:9801"},
        {"everything off, UTF-8",
         0x1001,
         0,
         {id_use_direct},
         {id_primary_edit, id_startup_edit, id_exit_edit, id_playing_edit},
         false,
         1,
         "UTF-8",
         "   FMO:  Sakura"},
    };
    for (const Opening& c : cases) {
        reset_defaults();
        cfg_options = c.options;
        cfg_features = c.features;
        const Settings before = current_settings();
        callbacks.calls.clear();
        open_page();
        EXPECT_EQ(page_state(), unchanged_state) << c.name;
        for (int id : check_boxes) {
            ControlState box = control_state(id);
            EXPECT_EQ(box.kind, tools::PageControlKind::check_box) << c.name << ": " << id;
            EXPECT_EQ(box.checked, contains(c.checked, id)) << c.name << ": " << id;
            bool lyric_box = std::find(std::begin(lyric_boxes), std::end(lyric_boxes), id) !=
                             std::end(lyric_boxes);
            EXPECT_EQ(box.enabled, !lyric_box || c.lyric_boxes_enabled) << c.name << ": " << id;
        }
        expect_read_only(c.read_only, c.name);
        for (int id : edits)
            EXPECT_TRUE(control_state(id).enabled) << c.name << ": " << id;
        EXPECT_EQ(control_state(id_primary_edit).text, default_primary) << c.name;
        EXPECT_EQ(control_state(id_startup_edit).text, default_startup_script) << c.name;
        EXPECT_EQ(control_state(id_exit_edit).text, default_exit_script) << c.name;
        EXPECT_EQ(control_state(id_playing_edit).text, default_playing_script) << c.name;
        ControlState list = control_state(id_charset_list);
        EXPECT_EQ(list.selection, c.selection) << c.name;
        EXPECT_EQ(list.text, c.entry) << c.name;
        EXPECT_EQ(control_state(id_transport_label).text, c.label) << c.name;

        // OK on an unchanged page stores what it showed and applies nothing.
        press_ok();
        EXPECT_EQ(current_settings(), before) << c.name;
        EXPECT_TRUE(callbacks.calls.empty()) << c.name;
    }
}

TEST_F(PageTest, ClicksApplyTheirRuleAtOnceAndStoreNothing) {
    open_page();
    ASSERT_TRUE(click_check_box(id_use_direct));
    EXPECT_EQ(control_state(id_transport_label).text, "Server:  localhost:9801");
    ASSERT_TRUE(click_check_box(id_use_direct));
    EXPECT_EQ(control_state(id_transport_label).text, "   FMO:  Sakura");

    struct Governed {
        int box;
        std::vector<int> edits;
    };
    const Governed rules[] = {
        {id_send_singing, {id_primary_edit}},
        {id_send_startup_exit, {id_startup_edit, id_exit_edit}},
        {id_send_playing, {id_playing_edit}},
    };
    for (const Governed& rule : rules) {
        const std::string name = "box " + std::to_string(rule.box);
        ASSERT_TRUE(click_check_box(rule.box));
        expect_read_only(rule.edits, name + " off");
        for (int id : lyric_boxes) {
            ControlState box = control_state(id);
            EXPECT_EQ(box.enabled, rule.box != id_send_singing) << name << ", " << id;
            EXPECT_EQ(box.checked, id == id_allow_lrc) << name << ", " << id << ": disabling "
                                                       << "keeps the state";
            if (rule.box == id_send_singing) {
                EXPECT_FALSE(click_check_box(id)) << id << ": a disabled box cannot be clicked";
            }
        }
        ASSERT_TRUE(click_check_box(rule.box));
        expect_read_only({}, name + " on again");
        for (int id : lyric_boxes)
            EXPECT_TRUE(control_state(id).enabled) << name << ", " << id;
    }
    // The trust box governs nothing on the page.
    ASSERT_TRUE(click_check_box(id_trust_lyric_scripts));
    EXPECT_TRUE(control_state(id_trust_lyric_scripts).checked);
    expect_read_only({}, "trust box clicked");
    EXPECT_FALSE(type_text(id_charset_list, "x"));
    EXPECT_EQ(current_settings(), defaults);
}

// Only a click (notification 0) on one of the four boxes runs a rule.
TEST_F(PageTest, OtherCommandsAreIgnored) {
    struct Recorder final : PageControls {
        bool checked(int32_t) override { return false; }
        void set_checked(int32_t, bool) override { ++calls; }
        void enable(int32_t, bool) override { ++calls; }
        void set_read_only(int32_t, bool) override { ++calls; }
        void set_text(int32_t, const char*) override { ++calls; }
        void get_text(int32_t, TextBuffer&) override { ++calls; }
        void add_entry(int32_t, const char*) override { ++calls; }
        void select_entry(int32_t, int32_t) override { ++calls; }
        int32_t selected_entry(int32_t) override { return 0; }
        int calls = 0;
    };
    struct Command {
        uintptr_t value;
        int calls;
    };
    const Command commands[] = {
        {1001, 1},
        {1002, 6}, // three edits and three boxes of the lyric options
        {1003, 2},
        {1004, 1},
        {1001 | 6u << 16, 0} /* focus */,
        {1012, 0},
        {1014, 0},
        {1015, 0},
        {1009 | 1u << 16, 0},
        {1005 | 0x300u << 16, 0} /* typing */,
        {1000, 0},
        {1008, 0},
    };
    for (const Command& c : commands) {
        Recorder page;
        page_command(page, c.value);
        EXPECT_EQ(page.calls, c.calls) << std::hex << c.value;
    }
}

// A lyric run waiting for the first position report, as for a paused track.
void start_held_run() {
    count = 1;
    entries = static_cast<TimedLine*>(std::malloc(sizeof(TimedLine)));
    entries[0] = {60000, false, dup_string("\\0\\s[25]La\\e")};
    sync_start(true);
}

TEST_F(PageTest, AllFeaturesOffTurnsTheComponentOffAndOneBoxTurnsItOn) {
    register_playback_events();
    ASSERT_EQ(tcp_load(nullptr), 1);
    start_held_run();
    ASSERT_NE(sync_state.load(), sync_stopped);
    callbacks.calls.clear();

    open_page();
    for (int box : {id_send_singing, id_send_startup_exit, id_send_playing})
        ASSERT_TRUE(click_check_box(box));
    EXPECT_EQ(cfg_features, default_features) << "nothing is stored before OK";
    EXPECT_TRUE(callbacks.registered);
    press_ok();
    EXPECT_EQ(cfg_features, 0u);
    EXPECT_EQ(callbacks.calls, std::vector<std::string>{"unregister"});
    EXPECT_EQ(sync_state.load(), sync_stopped);
    EXPECT_EQ(entries, nullptr);
    EXPECT_FALSE(tcp_loaded());
    EXPECT_EQ(cfg_options, default_options);

    open_page();
    for (int box : {id_send_singing, id_send_startup_exit, id_send_playing})
        EXPECT_FALSE(control_state(box).checked);
    ASSERT_TRUE(click_check_box(id_send_startup_exit));
    press_ok();
    EXPECT_EQ(cfg_features, 0x10u);
    EXPECT_EQ(callbacks.calls, (std::vector<std::string>{"unregister", "register 286"}));
    EXPECT_EQ(active_transport.probe, &direct_probe);
}

TEST_F(PageTest, TransportAloneIsStoredButAppliedOnlyWithAFeatureChange) {
    const SstpTransport recording = active_transport;
    open_page();
    ASSERT_TRUE(click_check_box(id_use_direct));
    press_ok();
    EXPECT_EQ(cfg_options, 0x0100u);
    EXPECT_EQ(cfg_features, default_features);
    EXPECT_EQ(active_transport.probe, recording.probe);
    EXPECT_TRUE(callbacks.calls.empty());

    // A later change of the features selects the stored transport.
    open_page();
    EXPECT_EQ(control_state(id_transport_label).text, "Server:  localhost:9801");
    ASSERT_TRUE(click_check_box(id_send_playing));
    press_ok();
    EXPECT_EQ(cfg_features, 0x11u);
    EXPECT_EQ(active_transport.probe, &tcp_load);
    EXPECT_TRUE(callbacks.calls.empty()) << "the callbacks stay registered";
}

TEST_F(PageTest, StoresTheOptionsWordFromTheControls) {
    struct Case {
        int entry;
        bool lrc;
        bool direct;
        bool trusted;
        uint32_t expected;
    };
    const Case cases[] = {
        {1, false, true, false, 0x1001},  {2, true, false, false, 0x0102},
        {0, false, false, false, 0x0000}, {1, false, true, true, 0x11001},
        {0, true, true, true, 0x11100},   {0, false, false, true, 0x10000},
    };
    for (const Case& c : cases) {
        reset_defaults();
        open_page();
        ASSERT_TRUE(choose_entry(id_charset_list, c.entry));
        set_box(id_allow_lrc, c.lrc);
        set_box(id_use_direct, c.direct);
        set_box(id_trust_lyric_scripts, c.trusted);
        EXPECT_FALSE(choose_entry(id_charset_list, 3)) << "the list has three entries";
        press_ok();
        EXPECT_EQ(cfg_options, c.expected) << c.entry << c.lrc << c.direct << c.trusted;
        EXPECT_EQ(lyric_script_trusted(), c.trusted);
    }
}

// Index 3 (a stored word the page did not write) has no entry: the page opens
// without a selection and keeps the stored index rather than adding -1 into
// the word.
TEST_F(PageTest, KeepsACharsetIndexTheListCannotShow) {
    cfg_options = 0x1103;
    open_page();
    EXPECT_EQ(control_state(id_charset_list).selection, -1);
    EXPECT_EQ(page_state(), unchanged_state) << "no selection is no change";
    press_ok();
    EXPECT_EQ(cfg_options, 0x1103u);

    open_page();
    ASSERT_TRUE(choose_entry(id_charset_list, 1));
    ASSERT_TRUE(click_check_box(id_allow_lrc));
    press_ok();
    EXPECT_EQ(cfg_options, 0x1001u);
}

TEST_F(PageTest, TextsPassThroughTheEditsAsUtf8) {
    cfg_primary.set("\\0\\s[25]\xe2\x99\xaa%ILYX\xe2\x99\xaa\\e", whole_text);
    cfg_startup_script.set(
        "\\0\\s[0]\xe3\x81\x93\xe3\x82\x93\xe3\x81\xab\xe3\x81\xa1\xe3\x81\xaf\\e", whole_text);
    cfg_exit_script.set("", whole_text);
    cfg_playing_script.set("%title% \xe2\x80\x94 \xf0\x9f\x98\x80 caf\xc3\xa9", whole_text);
    const Settings before = current_settings();
    open_page();
    EXPECT_EQ(control_state(id_primary_edit).text, before.primary);
    EXPECT_EQ(control_state(id_startup_edit).text, before.startup);
    EXPECT_EQ(control_state(id_exit_edit).text, "");
    EXPECT_EQ(control_state(id_playing_edit).text, before.playing);
    EXPECT_EQ(page_state(), unchanged_state);
    press_ok();
    EXPECT_EQ(current_settings(), before);

    const std::string typed =
        "\\0\\s[0]\xc3\x9cn\xc3\xaf \xe7\xb5\x82\xe4\xba\x86 \xf0\x9f\x98\x80\\e";
    open_page();
    ASSERT_TRUE(type_text(id_exit_edit, typed));
    press_ok();
    EXPECT_EQ(cfg_exit_script.get(), typed);
}

// The service's own reset, which only old players call, and OK after it.
TEST_F(PageTest, ServiceResetWhileOpenAndThenOkStoresWhatTheControlsShow) {
    open_page();
    ASSERT_TRUE(type_text(id_primary_edit, "\\0X%ILYX\\e"));
    ASSERT_TRUE(click_check_box(id_use_direct));
    ASSERT_TRUE(choose_entry(id_charset_list, 2));
    page_service().reset();
    EXPECT_EQ(current_settings(), defaults);
    EXPECT_EQ(control_state(id_primary_edit).text, "\\0X%ILYX\\e");
    EXPECT_EQ(control_state(id_transport_label).text, "Server:  localhost:9801");
    press_ok();
    Settings expected = defaults;
    expected.options = 0x0102;
    expected.primary = "\\0X%ILYX\\e";
    EXPECT_EQ(current_settings(), expected);

    page_service().reset();
    open_page();
    EXPECT_EQ(control_state(id_primary_edit).text, default_primary);
    EXPECT_EQ(control_state(id_charset_list).selection, 0);
}

TEST_F(PageTest, ServiceAnswers) {
    PreferencesPageService& service = page_service();
    ServiceBase* again = nullptr;
    preferences_page_entry()->obtain_instance(&again);
    EXPECT_EQ(again, &service);
    EXPECT_EQ(*preferences_page_entry()->class_id, preferences_page_class);
    EXPECT_STREQ(service.page_name(), "Lumivox");
    Guid out{};
    EXPECT_EQ(service.page_guid(&out), &out);
    EXPECT_EQ(out,
              (Guid{0xD449F281, 0xEFF4, 0x4C92, {0xB0, 0x9D, 0x68, 0xC1, 0x6D, 0x9A, 0xF6, 0x12}}));
    EXPECT_EQ(service.parent_guid(&out), &out);
    EXPECT_EQ(out,
              (Guid{0x627C0767, 0x0793, 0x44F8, {0x80, 0x87, 0xBE, 0x49, 0x34, 0x31, 0x12, 0x82}}));
    EXPECT_TRUE(service.reset_query());
    TextBuffer url;
    EXPECT_TRUE(service.help_url(&url));
    EXPECT_STREQ(url.get(), "https://lumivox.invalid/README.md#preferences");

    // The newer interfaces are the same object; nothing else is answered.
    for (const Guid& id : {preferences_page_v2_class, preferences_page_v3_class}) {
        ServiceBase* answer = nullptr;
        EXPECT_TRUE(service.query(&answer, id));
        EXPECT_EQ(answer, &service);
    }
    for (const Guid& id : {preferences_page_class, dark_mode_class, lifecycle_class}) {
        ServiceBase* untouched = &service;
        EXPECT_FALSE(service.query(&untouched, id));
        EXPECT_EQ(untouched, &service);
    }
    EXPECT_EQ(static_cast<PreferencesPageV3&>(service).sort_priority(), 0.0);
}

// Every change of a setting's control tells the host at once; the state is
// "changed" while any control differs from what is stored, so undoing the
// change clears it again.
TEST_F(PageTest, ChangesTellTheHostAndUndoingThemClearsChanged) {
    struct Change {
        const char* name;
        bool (*make)();
        bool (*undo)();
    };
    const Change changes[] = {
        {"Use Direct SSTP", [] { return click_check_box(id_use_direct); },
         [] { return click_check_box(id_use_direct); }},
        {"Send Singing Script, which disables two boxes",
         [] { return click_check_box(id_send_singing); },
         [] { return click_check_box(id_send_singing); }},
        {"Allow .lrc file", [] { return click_check_box(id_allow_lrc); },
         [] { return click_check_box(id_allow_lrc); }},
        {"Allow all SakuraScript", [] { return click_check_box(id_trust_lyric_scripts); },
         [] { return click_check_box(id_trust_lyric_scripts); }},
        {"Send Playing Script", [] { return click_check_box(id_send_playing); },
         [] { return click_check_box(id_send_playing); }},
        {"the charset", [] { return choose_entry(id_charset_list, 2); },
         [] { return choose_entry(id_charset_list, 0); }},
        {"the startup script", [] { return type_text(id_startup_edit, "\\0Hi\\e"); },
         [] { return type_text(id_startup_edit, default_startup_script); }},
        {"the primary template", [] { return type_text(id_primary_edit, ""); },
         [] { return type_text(id_primary_edit, default_primary); }},
    };
    open_page();
    for (const Change& c : changes) {
        int told = state_notifications();
        ASSERT_TRUE(c.make()) << c.name;
        EXPECT_EQ(state_notifications(), told + 1) << c.name;
        EXPECT_EQ(page_state(), unchanged_state | page_changed) << c.name;
        ASSERT_TRUE(c.undo()) << c.name;
        EXPECT_EQ(state_notifications(), told + 2) << c.name;
        EXPECT_EQ(page_state(), unchanged_state) << c.name;
    }
    EXPECT_EQ(current_settings(), defaults);
}

TEST_F(PageTest, CancelStoresAndAppliesNothing) {
    register_playback_events();
    callbacks.calls.clear();
    const SstpTransport before_transport = active_transport;
    open_page();
    ASSERT_TRUE(type_text(id_exit_edit, "\\0Bye\\e"));
    ASSERT_TRUE(choose_entry(id_charset_list, 1));
    for (int box : {id_use_direct, id_send_singing, id_send_startup_exit, id_send_playing})
        ASSERT_TRUE(click_check_box(box));
    close_page();
    EXPECT_EQ(current_settings(), defaults);
    EXPECT_TRUE(callbacks.calls.empty());
    EXPECT_EQ(active_transport.probe, before_transport.probe);

    open_page();
    EXPECT_TRUE(control_state(id_use_direct).checked) << "the next page shows what is stored";
    EXPECT_EQ(control_state(id_exit_edit).text, default_exit_script);
}

// Apply stores and applies at once, with the page open; what follows it and
// is cancelled is not stored.
TEST_F(PageTest, ApplyStoresAndAppliesAtOnceWithThePageOpen) {
    register_playback_events();
    ASSERT_EQ(tcp_load(nullptr), 1);
    callbacks.calls.clear();
    open_page();
    ASSERT_TRUE(type_text(id_playing_edit, "%title%"));
    for (int box : {id_send_singing, id_send_startup_exit, id_send_playing})
        ASSERT_TRUE(click_check_box(box));
    int told = state_notifications();
    apply_page();
    EXPECT_TRUE(page_open());
    EXPECT_EQ(cfg_features, 0u);
    EXPECT_EQ(cfg_playing_script.get(), std::string("%title%"));
    EXPECT_EQ(callbacks.calls, std::vector<std::string>{"unregister"});
    EXPECT_FALSE(tcp_loaded());
    EXPECT_EQ(state_notifications(), told + 1) << "the host greys Apply again";
    EXPECT_EQ(page_state(), unchanged_state);

    ASSERT_TRUE(click_check_box(id_send_startup_exit));
    apply_page();
    EXPECT_EQ(cfg_features, 0x10u);
    EXPECT_EQ(callbacks.calls, (std::vector<std::string>{"unregister", "register 286"}));
    EXPECT_EQ(active_transport.probe, &direct_probe);

    ASSERT_TRUE(click_check_box(id_use_direct));
    close_page();
    EXPECT_EQ(cfg_options, default_options);
    EXPECT_EQ(cfg_features, 0x10u);
}

// "Reset page" shows the defaults, with their rules, and stores nothing; only
// Apply or OK after it does.
TEST_F(PageTest, ResetPreviewsTheDefaultsAndStoresOnlyOnApply) {
    cfg_options = 0x10002;
    cfg_features = 0x10;
    cfg_primary.set("\\0P%ILYX\\e", whole_text);
    cfg_startup_script.set("", whole_text);
    const Settings stored = current_settings();
    for (bool apply : {false, true}) {
        open_page();
        ASSERT_TRUE(control_state(id_primary_edit).read_only);
        ASSERT_FALSE(control_state(id_allow_lrc).enabled);
        int told = state_notifications();
        reset_page();
        EXPECT_EQ(state_notifications(), told + 1);
        EXPECT_EQ(page_state(), unchanged_state | page_changed);
        EXPECT_EQ(current_settings(), stored) << "a preview only";
        for (int id :
             {id_use_direct, id_send_singing, id_allow_lrc, id_send_startup_exit, id_send_playing})
            EXPECT_TRUE(control_state(id).checked) << id;
        EXPECT_FALSE(control_state(id_trust_lyric_scripts).checked);
        for (int id : lyric_boxes)
            EXPECT_TRUE(control_state(id).enabled) << id;
        expect_read_only({}, "after reset");
        EXPECT_EQ(control_state(id_primary_edit).text, default_primary);
        EXPECT_EQ(control_state(id_startup_edit).text, default_startup_script);
        EXPECT_EQ(control_state(id_charset_list).selection, 0);
        EXPECT_EQ(control_state(id_transport_label).text, "   FMO:  Sakura");
        if (apply)
            press_ok();
        else
            close_page();
        EXPECT_EQ(current_settings(), apply ? defaults : stored) << apply;
    }
}

struct DarkModeCase {
    DarkMode dark_mode;
    bool followed;
};

// The page hands its window to the player's dark-mode service when there is
// one, keeps the object while it is open and releases it with the window.
TEST_F(PageTest, DarkModeDrawsThePageWhileItIsOpen) {
    const DarkModeCase cases[] = {
        {DarkMode::present, true}, {DarkMode::absent, false}, {DarkMode::no_instance, false}};
    for (const DarkModeCase& c : cases) {
        api.dark_mode = c.dark_mode;
        for (PageProtocol protocol : {PageProtocol::instance, PageProtocol::create}) {
            auto window = reinterpret_cast<tools::window_handle>(open_page(protocol));
            std::vector<tools::DarkModeCall> calls = tools::take_dark_mode_calls();
            if (c.followed) {
                ASSERT_EQ(calls.size(), 3u);
                EXPECT_EQ(calls[0].name, "createAuto");
                EXPECT_EQ(calls[1].name, "addDialog");
                EXPECT_EQ(calls[1].window, window);
                EXPECT_EQ(calls[2].name, "addControls");
                EXPECT_EQ(calls[2].window, window);
                EXPECT_EQ(tools::dark_mode_references(), 1) << "the object, kept";
            } else {
                EXPECT_TRUE(calls.empty());
            }
            close_page();
            EXPECT_EQ(tools::dark_mode_references(), 0);
            EXPECT_TRUE(tools::take_dark_mode_calls().empty());
        }
    }
}

// The instance holds the host's callback until its last release, which comes
// after its window is destroyed; page after page, nothing is left over.
TEST_F(PageTest, ReferencesBalanceOverManyPages) {
    for (int i = 0; i < 20; ++i) {
        open_page();
        ASSERT_TRUE(click_check_box(id_use_direct));
        if (i % 2 == 0)
            apply_page();
        close_page();
        tools::ClosedPage closed = tools::last_closed_page();
        ASSERT_EQ(closed.callback_references_at_destroy, 1) << i;
        ASSERT_EQ(closed.instance_release, 0) << i << ": the last release frees the instance";
        ASSERT_EQ(closed.callback_references, 0) << i;
        ASSERT_EQ(tools::dark_mode_references(), 0) << i;
    }
    EXPECT_EQ(cfg_options, default_options) << "an even number of applied clicks on one box";
}

// A host that releases the instance first: the window keeps the page until
// it is destroyed, and nothing is touched after.
TEST_F(PageTest, ReleasingTheInstanceBeforeTheWindowIsSafe) {
    open_page();
    ASSERT_TRUE(click_check_box(id_send_playing));
    close_page(tools::Closing::instance_first);
    tools::ClosedPage closed = tools::last_closed_page();
    EXPECT_EQ(closed.instance_release, 1) << "the window's own reference";
    EXPECT_EQ(closed.callback_references_at_destroy, 0);
    EXPECT_EQ(current_settings(), defaults);
}

// Players before 1.0 only create and destroy the page: it stores and
// applies when it is destroyed.
TEST_F(PageTest, OldPlayersCreateThePageThatStoresWhenDestroyed) {
    register_playback_events();
    callbacks.calls.clear();
    open_page(PageProtocol::create);
    EXPECT_EQ(page_state(), 0u) << "no instance";
    ASSERT_TRUE(type_text(id_startup_edit, "\\0Old\\e"));
    ASSERT_TRUE(click_check_box(id_use_direct));
    for (int box : {id_send_singing, id_send_startup_exit, id_send_playing})
        ASSERT_TRUE(click_check_box(box));
    EXPECT_EQ(current_settings(), defaults);
    close_page();
    EXPECT_EQ(cfg_options, 0x0100u);
    EXPECT_EQ(cfg_features, 0u);
    EXPECT_EQ(cfg_startup_script.get(), std::string("\\0Old\\e"));
    EXPECT_EQ(callbacks.calls, std::vector<std::string>{"unregister"});
}

} // namespace
} // namespace lumivox::test
