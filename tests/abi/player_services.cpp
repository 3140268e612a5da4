#include "player_services.h"

#include "report.h"

namespace player {
// What service_enum_find_class hands out: the class and the one instance the
// host creates for it.
struct service_class {
    const GUID* guid;
    service_base* instance;
};
} // namespace player

namespace abi {
namespace {

using namespace player;

void unexpected(const char* call) {
    fault("the component called %s, which it has no use for", call);
}

// The host holds one reference on each of its objects for their whole life:
// at the end of the run every count must be back to that one.
template <class Interface> class Counted : public Interface {
  public:
    constexpr explicit Counted(const char* name) : name_(name) {}
    int service_release() override {
        return static_cast<int>(__atomic_sub_fetch(&references_, 1, __ATOMIC_SEQ_CST));
    }
    int service_add_ref() override {
        return static_cast<int>(__atomic_add_fetch(&references_, 1, __ATOMIC_SEQ_CST));
    }
    bool service_query(service_ptr_t<service_base>&, const GUID&) override { return false; }
    const char* name() const { return name_; }
    long references() const { return __atomic_load_n(&references_, __ATOMIC_SEQ_CST); }

  private:
    const char* name_;
    long references_ = 1;
};

// Title formatting reads the track's tags, which the host allows only while
// the track is locked.
TrackUse use;
int lock_depth;
const char* track_path = "";
const TrackTag* track_tags;
Registration registration;
Bytes compiled_text;
Bytes formatted_title;
// The kind of input the host names when it hands a tag value to a filter.
constexpr GUID input_meta = {
    0x6E1A3D59, 0x0C55, 0x4B6A, {0x9E, 0x3B, 0x27, 0x5D, 0x04, 0xC1, 0x8A, 0x21}};

void note_read() {
    if (lock_depth <= 0)
        ++use.unlocked_reads;
}

size_t tag_count() {
    size_t n = 0;
    while (track_tags != nullptr && track_tags[n].name != nullptr)
        ++n;
    return n;
}

const char* tag_value(const char* name) {
    for (size_t i = 0; i < tag_count(); ++i)
        if (ascii_equal_nocase(track_tags[i].name, name))
            return track_tags[i].value;
    return nullptr;
}

class PlaybackControl final : public Counted<playback_control> {
  public:
    using Counted::Counted;
    bool get_now_playing(metadb_handle_ptr&) override {
        unexpected("playback_control::get_now_playing");
        return false;
    }
    void start(int, bool) override { unexpected("playback_control::start"); }
    void stop() override { unexpected("playback_control::stop"); }
    bool is_playing() override {
        unexpected("playback_control::is_playing");
        return true;
    }
    bool is_paused() override { return paused; }
    bool paused = false;
};

class CallbackManager final : public Counted<play_callback_manager> {
  public:
    using Counted::Counted;
    void register_callback(play_callback* callback, unsigned flags, bool forward) override {
        registration.callback = callback;
        registration.flags = flags;
        registration.forward_status = forward;
        ++registration.registered;
    }
    void unregister_callback(play_callback* callback) override {
        registration.unregistered_callback = callback;
        ++registration.unregistered;
    }
};

class CompiledScript final : public Counted<titleformat_object> {
  public:
    using Counted::Counted;
};

constinit CompiledScript compiled("titleformat_object");

class Compiler final : public Counted<titleformat_compiler> {
  public:
    using Counted::Counted;
    bool compile(service_ptr_t<titleformat_object>& out, const char* script) override {
        ++use.compiles;
        bytes_clear(compiled_text);
        bytes_append_text(compiled_text, script);
        out = &compiled;
        return true;
    }
};

class TrackInfo final : public file_info {
  public:
    double get_length() override { return 95.0; }
    void set_length(double) override { unexpected("file_info::set_length"); }
    void set_replaygain(const replaygain_info&) override {
        unexpected("file_info::set_replaygain");
    }
    replaygain_info get_replaygain() override {
        unexpected("file_info::get_replaygain");
        return {};
    }
    size_t meta_get_count() override {
        note_read();
        return tag_count();
    }
    const char* meta_enum_name(size_t index) override {
        note_read();
        if (index >= tag_count()) {
            fault("file_info::meta_enum_name: index %llu of %llu fields",
                  static_cast<unsigned long long>(index),
                  static_cast<unsigned long long>(tag_count()));
            return "";
        }
        return track_tags[index].name;
    }
    size_t meta_enum_value_count(size_t index) override {
        note_read();
        return index < tag_count() ? 1 : 0;
    }
    const char* meta_enum_value(size_t index, size_t value) override {
        note_read();
        if (index >= tag_count() || value != 0) {
            fault("file_info::meta_enum_value: field %llu value %llu, the track has %llu "
                  "fields of one value each",
                  static_cast<unsigned long long>(index), static_cast<unsigned long long>(value),
                  static_cast<unsigned long long>(tag_count()));
            return "";
        }
        return track_tags[index].value;
    }
};

class Location final : public playable_location {
  public:
    const char* get_path() override {
        note_read();
        return track_path;
    }
};

// Collects what a text filter hands back through the receiver's one slot.
class FieldReceiver final : public string_receiver {
  public:
    ~FieldReceiver() { bytes_free(text); }
    void add_string(const char* data, size_t length) override {
        size_t n = 0;
        while (n < length && data[n] != '\0')
            ++n;
        bytes_append(text, data, n);
    }
    Bytes text;
};

constinit TrackInfo info;
constinit Location location;

void append_field(Bytes& out, const char* value, titleformat_text_filter* filter) {
    if (filter == nullptr) {
        bytes_append_text(out, value);
        return;
    }
    FieldReceiver receiver;
    filter->write(input_meta, receiver, value, strlen(value));
    bytes_append_text(out, bytes_text(receiver.text));
}

// The part of title formatting the test's scripts use: quoted literals,
// %field% (a missing field reads "?") and plain text.
void evaluate(const char* script, titleformat_text_filter* filter, Bytes& out) {
    const char* p = script;
    while (*p != '\0') {
        if (*p == '\'') {
            const char* end = p + 1;
            while (*end != '\0' && *end != '\'')
                ++end;
            if (end == p + 1)
                bytes_append_text(out, "'"); // '' stands for the quote itself
            else
                bytes_append(out, p + 1, static_cast<size_t>(end - p - 1));
            p = *end == '\0' ? end : end + 1;
        } else if (*p == '%') {
            const char* end = p + 1;
            while (*end != '\0' && *end != '%')
                ++end;
            char name[64] = {};
            size_t n = static_cast<size_t>(end - p - 1);
            memcpy(name, p + 1, n < sizeof name - 1 ? n : sizeof name - 1);
            const char* value = tag_value(name);
            if (value != nullptr)
                append_field(out, value, filter);
            else
                bytes_append_text(out, "?");
            p = *end == '\0' ? end : end + 1;
        } else {
            bytes_append(out, p++, 1);
        }
    }
}

class TrackHandle final : public Counted<metadb_handle> {
  public:
    using Counted::Counted;
    const playable_location& get_location() override {
        note_read();
        return location;
    }
    bool format_title(titleformat_hook*, string_base& out,
                      const service_ptr_t<titleformat_object>& script,
                      titleformat_text_filter* filter) override {
        ++use.formats;
        // The script comes as a reference to the caller's pointer: read it
        // through that reference, as the player does.
        titleformat_object* object = script.get_ptr();
        if (object != &compiled) {
            fault("metadb_handle::format_title: the script argument leads to %p, not to the "
                  "compiled script %p",
                  static_cast<void*>(object), static_cast<void*>(&compiled));
            return false;
        }
        bytes_clear(formatted_title);
        evaluate(bytes_text(compiled_text), filter, formatted_title);
        out.set_string(bytes_text(formatted_title), whole_text);
        return true;
    }
    void metadb_lock() override {
        ++use.locks;
        ++lock_depth;
    }
    void metadb_unlock() override {
        ++use.unlocks;
        if (--lock_depth < 0)
            fault("metadb_handle::metadb_unlock without a matching metadb_lock");
    }
    filestats get_filestats() override {
        unexpected("metadb_handle::get_filestats");
        return {};
    }
    bool is_info_loaded() override {
        unexpected("metadb_handle::is_info_loaded");
        return true;
    }
    bool get_info(file_info&) override {
        unexpected("metadb_handle::get_info");
        return false;
    }
    bool get_info_locked(const file_info*& out) override {
        ++use.info_requests;
        note_read();
        out = &info;
        return true;
    }
};

DarkModeUse dark_use;
bool dark_mode_present = true;

class DarkModeObject final : public Counted<coreDarkModeObj> {
  public:
    using Counted::Counted;
    void addCtrlAuto(HWND) override { unexpected("coreDarkModeObj::addCtrlAuto"); }
    void addDialog(HWND dialog) override {
        ++dark_use.dialogs;
        dark_use.dialog = dialog;
    }
    void addControls(HWND window) override {
        ++dark_use.control_sets;
        dark_use.controls = window;
    }
    void setDarkMode(bool) override { unexpected("coreDarkModeObj::setDarkMode"); }
    bool isDark() override {
        unexpected("coreDarkModeObj::isDark");
        return false;
    }
};

constinit DarkModeObject dark_object("coreDarkModeObj");

class DarkMode final : public Counted<coreDarkMode> {
  public:
    using Counted::Counted;
    service_ptr_t<coreDarkModeObj> create(bool) override {
        unexpected("coreDarkMode::create");
        return &dark_object;
    }
    service_ptr_t<coreDarkModeObj> createAuto() override {
        ++dark_use.creates;
        return &dark_object;
    }
};

constinit DarkMode dark_mode("coreDarkMode");

constinit PlaybackControl playback("playback_control");
constinit CallbackManager callbacks("play_callback_manager");
constinit Compiler compiler("titleformat_compiler");
constinit TrackHandle track("metadb_handle (the track)");

constinit service_class classes[] = {
    {&guid_playback_control, &playback},
    {&guid_play_callback_manager, &callbacks},
    {&guid_titleformat_compiler, &compiler},
    {&guid_core_dark_mode, &dark_mode},
};

class Api final : public foobar2000_api {
  public:
    service_class_ref service_enum_find_class(const GUID& guid) override {
        if (guid == guid_core_dark_mode && !dark_mode_present)
            return nullptr;
        for (service_class& c : classes)
            if (*c.guid == guid)
                return &c;
        fault("foobar2000_api::service_enum_find_class: unknown class {%08lX-%04X-%04X-...}",
              static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3);
        return nullptr;
    }
    bool service_enum_create(service_ptr_t<service_base>& out, service_class_ref cls,
                             size_t index) override {
        bool known = false;
        for (service_class& c : classes)
            known = known || cls == &c;
        if (!known) {
            fault("foobar2000_api::service_enum_create: %p is no class this host answered",
                  static_cast<void*>(cls));
            return false;
        }
        if (index != 0) {
            fault("foobar2000_api::service_enum_create: index %llu, there is one instance",
                  static_cast<unsigned long long>(index));
            return false;
        }
        out = cls->instance;
        return true;
    }
    size_t service_enum_get_count(service_class_ref) override {
        unexpected("foobar2000_api::service_enum_get_count");
        return 0;
    }
    HWND get_main_window() override {
        unexpected("foobar2000_api::get_main_window");
        return nullptr;
    }
    bool assert_main_thread() override { return true; }
    bool is_main_thread() override { return true; }
    bool is_shutting_down() override { return false; }
    // A folder that does not exist: the component looks for lyrics there and
    // finds none.
    const char* get_profile_path() override { return "file://C:\\lumivox-abi-profile"; }
    bool is_initializing() override { return false; }
    bool is_portable_mode_enabled() override { return false; }
    bool is_quiet_mode_enabled() override { return false; }
};

constinit Api api;

} // namespace

foobar2000_api* player_api() {
    return &api;
}

const Registration& callback_registration() {
    return registration;
}

void set_playback_paused(bool paused) {
    playback.paused = paused;
}

void set_track(const char* path, const TrackTag* tags) {
    track_path = path;
    track_tags = tags;
}

metadb_handle* track_handle() {
    return &track;
}

long track_references() {
    return track.references();
}

void set_dark_mode_present(bool present) {
    dark_mode_present = present;
}

const DarkModeUse& dark_mode_use() {
    return dark_use;
}

void clear_dark_mode_use() {
    dark_use = {};
}

long dark_mode_object_references() {
    return dark_object.references();
}

const TrackUse& track_use() {
    return use;
}

const char* last_compiled_script() {
    return bytes_text(compiled_text);
}

const char* last_formatted_title() {
    return bytes_text(formatted_title);
}

void check_references(const char* when, bool services_held) {
    struct Named {
        const char* name;
        long references;
        bool per_track; // taken and given back within one track's handling
    };
    const Named objects[] = {
        {playback.name(), playback.references(), false},
        {callbacks.name(), callbacks.references(), false},
        {compiler.name(), compiler.references(), true},
        {compiled.name(), compiled.references(), true},
        {track.name(), track.references(), true},
        {dark_mode.name(), dark_mode.references(), true},
        {dark_object.name(), dark_object.references(), true},
    };
    for (const Named& object : objects) {
        long expected = services_held && !object.per_track ? 2 : 1;
        check(object.references == expected, "%s: references on %s: %ld (%ld expected)", when,
              object.name, object.references, expected);
    }
}

} // namespace abi
