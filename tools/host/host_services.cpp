#include "tools/host/host_services.h"

#include "tools/host/page_driver.h"
#include "tools/common/profile_folder.h"
#include "tools/host/titleformat.h"
#include "tools/host/trace.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace lumivox::tools {

namespace {

// The input kind the host names when it filters a field's value; the
// component's filter does not look at it.
constexpr guid meta_input = {
    0x3A1C2F7E, 0x5B0D, 0x4E61, {0x9C, 0x42, 0x17, 0xA8, 0x6D, 0x03, 0xB5, 0xE4}};

// Reference counts of the host's long-lived services, so that the host can
// tell whether the component gave back everything it obtained.
struct Counted {
    const char* name;
    int references = 0;
};

Counted playback_control_count{"playback control"};
Counted callback_manager_count{"playback callback manager"};
Counted compiler_count{"title-formatting compiler"};
int live_scripts = 0;
int live_tracks = 0;
int open_information_reads = 0;

bool paused_now = false;
std::string profile_path = "file://" + default_profile_folder();
play_callback* events = nullptr;
unsigned events_mask = 0;

// The host's objects answer no query; the output is left as it was.
class PlaybackControl final : public playback_control {
  public:
    int service_release() override { return --playback_control_count.references; }
    int service_add_ref() override { return ++playback_control_count.references; }
    bool service_query(service_base**, const guid&) override { return false; }
    void get_now_playing() override {}
    void start() override {}
    void stop() override {}
    bool is_playing() override { return true; }
    bool is_paused() override { return paused_now; }
} playback_control_service;

class CallbackManager final : public play_callback_manager {
  public:
    int service_release() override { return --callback_manager_count.references; }
    int service_add_ref() override { return ++callback_manager_count.references; }
    bool service_query(service_base**, const guid&) override { return false; }
    void register_callback(play_callback* e, unsigned mask, bool) override {
        trace("register playback callbacks, mask " + std::to_string(mask));
        events = e;
        events_mask = mask;
    }
    void unregister_callback(play_callback* e) override {
        trace("unregister playback callbacks");
        if (events == e) {
            events = nullptr;
            events_mask = 0;
        }
    }
} callback_manager;

// The compiled scripts alive, so that format_title can tell one of its own
// from whatever else it is handed.
std::set<const titleformat_object*> scripts;

class Script final : public titleformat_object {
  public:
    explicit Script(CompiledFormat format) : format_(std::move(format)) {
        ++live_scripts;
        scripts.insert(this);
    }
    int service_release() override {
        if (--references_ == 0) {
            --live_scripts;
            scripts.erase(this);
            delete this;
            return 0;
        }
        return references_;
    }
    int service_add_ref() override { return ++references_; }
    bool service_query(service_base**, const guid&) override { return false; }
    const CompiledFormat& format() const { return format_; }

  private:
    ~Script() = default;
    CompiledFormat format_;
    int references_ = 1;
};

class Compiler final : public titleformat_compiler {
  public:
    int service_release() override { return --compiler_count.references; }
    int service_add_ref() override { return ++compiler_count.references; }
    bool service_query(service_base**, const guid&) override { return false; }
    bool compile(titleformat_object** out, const char* script) override {
        CompiledFormat format;
        std::string error;
        if (!compile_title_format(script, format, error)) {
            trace("title format does not compile: " + error);
            return false;
        }
        // out is the caller's pointer: whatever it held is given up first.
        titleformat_object* old = *out;
        *out = new Script(std::move(format));
        if (old != nullptr && scripts.count(old) != 0)
            old->service_release();
        return true;
    }
} compiler;

class Location final : public playable_location {
  public:
    explicit Location(std::string path) : path_(std::move(path)) {}
    const char* get_path() override { return path_.c_str(); }

  private:
    std::string path_;
};

class Information final : public file_info {
  public:
    Information(std::vector<TrackField> fields, double length)
        : fields_(std::move(fields)), length_(length) {}
    double get_length() override { return length_; }
    void set_length(double) override {}
    void set_replaygain() override {}
    void get_replaygain() override {}
    size_t meta_get_count() override { return fields_.size(); }
    const char* meta_enum_name(size_t i) override {
        return i < fields_.size() ? fields_[i].name.c_str() : nullptr;
    }
    size_t meta_enum_value_count(size_t i) override {
        return i < fields_.size() ? fields_[i].values.size() : 0;
    }
    const char* meta_enum_value(size_t i, size_t v) override {
        if (i >= fields_.size() || v >= fields_[i].values.size())
            return nullptr;
        return fields_[i].values[v].c_str();
    }
    // The first field of the name.
    const char* lookup(const std::string& name) const {
        for (const TrackField& f : fields_) {
            if (!f.values.empty() && same_field_name(f.name, name))
                return f.values[0].c_str();
        }
        return nullptr;
    }

  private:
    std::vector<TrackField> fields_;
    double length_;
};

class Track final : public metadb_handle {
  public:
    explicit Track(TrackInfo info)
        : location_(info.location), information_(info.fields, info.length_seconds) {
        ++live_tracks;
    }
    int service_release() override {
        if (--references_ == 0) {
            --live_tracks;
            delete this;
            return 0;
        }
        return references_;
    }
    int service_add_ref() override { return ++references_; }
    bool service_query(service_base**, const guid&) override { return false; }
    const playable_location& get_location() override { return location_; }
    bool format_title(titleformat_hook*, string_base& out, titleformat_object* const& script,
                      titleformat_text_filter* filter) override {
        if (scripts.count(script) == 0) {
            trace("format_title was handed no compiled script of this host's");
            return false;
        }
        const auto* compiled = static_cast<const Script*>(script);
        std::string text = tools::format_title(
            compiled->format(),
            [this](const std::string& name) { return information_.lookup(name); },
            [filter](const std::string& value) {
                if (filter == nullptr)
                    return value;
                HostString filtered;
                filter->write(meta_input, filtered, value.data(), value.size());
                return std::string(filtered.get());
            });
        out.set_string(text.c_str(), whole_string);
        return true;
    }
    void metadb_lock() override { ++open_information_reads; }
    void metadb_unlock() override { --open_information_reads; }
    void get_filestats() override {}
    bool is_info_loaded() override { return true; }
    bool get_info() override { return false; }
    bool get_info_locked(const file_info*& out) override {
        out = &information_;
        return true;
    }

  private:
    ~Track() = default;
    int references_ = 1;
    Location location_;
    Information information_;
};

struct ClassEntry {
    const guid* id;
    service_base* service;
};

const ClassEntry classes[] = {
    {&playback_control_class, &playback_control_service},
    {&play_callback_manager_class, &callback_manager},
    {&titleformat_compiler_class, &compiler},
    {&core_dark_mode_class, dark_mode_service()},
};

class Api final : public foobar2000_api {
  public:
    service_class_ref service_enum_find_class(const guid& id) override {
        // A player before 2.0 has no dark mode.
        if (id == core_dark_mode_class && !dark_mode_available())
            return nullptr;
        for (const ClassEntry& c : classes) {
            if (*c.id == id)
                return const_cast<ClassEntry*>(&c);
        }
        return nullptr;
    }
    bool service_enum_create(service_base** out, service_class_ref service_class,
                             size_t index) override {
        if (service_class == nullptr || index != 0)
            return false;
        service_base* service = static_cast<ClassEntry*>(service_class)->service;
        service->service_add_ref();
        *out = service;
        return true;
    }
    size_t service_enum_get_count(service_class_ref service_class) override {
        return service_class != nullptr ? 1 : 0;
    }
    window_handle get_main_window() override { return nullptr; }
    bool assert_main_thread() override { return true; }
    bool is_main_thread() override { return true; }
    bool is_shutting_down() override { return false; }
    const char* get_profile_path() override { return profile_path.c_str(); }
    bool is_initializing() override { return false; }
    bool is_portable_mode_enabled() override { return false; }
    bool is_quiet_mode_enabled() override { return false; }
} api;

} // namespace

bool same_field_name(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

foobar2000_api* host_api() {
    return &api;
}

void set_profile_folder(const std::string& folder) {
    profile_path = "file://" + folder;
}

void set_paused(bool paused) {
    paused_now = paused;
}

play_callback* registered_events(unsigned& mask) {
    mask = events_mask;
    return events;
}

metadb_handle* make_track(TrackInfo info) {
    return new Track(std::move(info));
}

std::vector<std::string> outstanding_objects() {
    std::vector<std::string> left;
    for (const Counted* c : {&playback_control_count, &callback_manager_count, &compiler_count}) {
        if (c->references != 0)
            left.push_back(std::string(c->name) + " (" + std::to_string(c->references) +
                           " references)");
    }
    if (live_scripts != 0)
        left.push_back(std::to_string(live_scripts) + " compiled scripts");
    if (live_tracks != 0)
        left.push_back(std::to_string(live_tracks) + " track handles");
    if (open_information_reads != 0)
        left.push_back(std::to_string(open_information_reads) + " unfinished information reads");
    if (events != nullptr)
        left.push_back("registered playback callbacks");
    if (dark_mode_references() != 0)
        left.push_back("dark mode (" + std::to_string(dark_mode_references()) + " references)");
    return left;
}

} // namespace lumivox::tools
