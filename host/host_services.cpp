#include "host/host_services.h"

#include "host/titleformat.h"
#include "host/trace.h"

namespace lumivox::tools {

namespace {

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
PlaybackEvents* events = nullptr;
uint32_t events_mask = 0;

class PlaybackControl final : public PlaybackControlService {
  public:
    int release() override { return --playback_control_count.references; }
    int add_reference() override { return ++playback_control_count.references; }
    bool query(const Guid&, void**) override { return false; }
    void unused_3() override {}
    void unused_4() override {}
    void unused_5() override {}
    void unused_6() override {}
    bool is_paused() override { return paused_now; }
} playback_control;

class CallbackManager final : public PlaybackCallbackManager {
  public:
    int release() override { return --callback_manager_count.references; }
    int add_reference() override { return ++callback_manager_count.references; }
    bool query(const Guid&, void**) override { return false; }
    void register_events(PlaybackEvents* e, uint32_t mask, int) override {
        trace("register playback callbacks, mask " + std::to_string(mask));
        events = e;
        events_mask = mask;
    }
    void unregister_events(PlaybackEvents* e) override {
        trace("unregister playback callbacks");
        if (events == e) {
            events = nullptr;
            events_mask = 0;
        }
    }
} callback_manager;

class Script final : public CompiledScript {
  public:
    explicit Script(CompiledFormat format) : format_(std::move(format)) { ++live_scripts; }
    int release() override {
        if (--references_ == 0) {
            --live_scripts;
            delete this;
            return 0;
        }
        return references_;
    }
    int add_reference() override { return ++references_; }
    bool query(const Guid&, void**) override { return false; }
    const CompiledFormat& format() const { return format_; }

  private:
    ~Script() = default;
    CompiledFormat format_;
    int references_ = 1;
};

class Compiler final : public TitleFormatCompiler {
  public:
    int release() override { return --compiler_count.references; }
    int add_reference() override { return ++compiler_count.references; }
    bool query(const Guid&, void**) override { return false; }
    bool compile(CompiledScript** out, const char* script) override {
        CompiledFormat format;
        std::string error;
        if (!compile_title_format(script, format, error)) {
            trace("title format does not compile: " + error);
            return false;
        }
        *out = new Script(std::move(format));
        return true;
    }
} compiler;

class Location final : public LocationRecord {
  public:
    explicit Location(std::string path) : path_(std::move(path)) {}
    const char* path() override { return path_.c_str(); }

  private:
    std::string path_;
};

class Information final : public InformationRecord {
  public:
    explicit Information(std::vector<TrackField> fields) : fields_(std::move(fields)) {}
    void unused_0() override {}
    void unused_1() override {}
    void unused_2() override {}
    void unused_3() override {}
    uint32_t field_count() override { return static_cast<uint32_t>(fields_.size()); }
    const char* field_name(uint32_t i) override {
        return i < fields_.size() ? fields_[i].name.c_str() : nullptr;
    }
    uint32_t value_count(uint32_t i) override {
        return i < fields_.size() ? static_cast<uint32_t>(fields_[i].values.size()) : 0;
    }
    const char* field_value(uint32_t i, uint32_t v) override {
        if (i >= fields_.size() || v >= fields_[i].values.size())
            return nullptr;
        return fields_[i].values[v].c_str();
    }
    // Field names are matched ignoring ASCII case, first field first.
    const char* lookup(const std::string& name) const {
        for (const TrackField& f : fields_) {
            if (f.name.size() == name.size() && !f.values.empty() &&
                std::equal(f.name.begin(), f.name.end(), name.begin(), [](char a, char b) {
                    return std::tolower(static_cast<unsigned char>(a)) ==
                           std::tolower(static_cast<unsigned char>(b));
                }))
                return f.values[0].c_str();
        }
        return nullptr;
    }

  private:
    std::vector<TrackField> fields_;
};

class Track final : public TrackHandle {
  public:
    explicit Track(TrackInfo info) : location_(info.location), information_(info.fields) {
        ++live_tracks;
    }
    int release() override {
        if (--references_ == 0) {
            --live_tracks;
            delete this;
            return 0;
        }
        return references_;
    }
    int add_reference() override { return ++references_; }
    bool query(const Guid&, void**) override { return false; }
    LocationRecord* location() override { return &location_; }
    bool format_title(void*, HostText* out, CompiledScript* script,
                      TitleTextFilter* filter) override {
        const auto* compiled = static_cast<Script*>(script);
        std::string text = tools::format_title(
            compiled->format(),
            [this](const std::string& name) { return information_.lookup(name); },
            [filter](const std::string& value) {
                if (filter == nullptr)
                    return value;
                HostString filtered;
                filter->write(&filtered, value.data(), static_cast<uint32_t>(value.size()));
                return std::string(filtered.get());
            });
        out->set(text.c_str(), whole_text);
        return true;
    }
    void begin_reading_information() override { ++open_information_reads; }
    void end_reading_information() override { --open_information_reads; }
    void unused_7() override {}
    void unused_8() override {}
    void unused_9() override {}
    bool information(InformationRecord** out) override {
        *out = &information_;
        return true;
    }

  private:
    ~Track() = default;
    int references_ = 1;
    Location location_;
    Information information_;
};

struct ClassEntry {
    const Guid* id;
    ServiceBase* service;
};

const ClassEntry classes[] = {
    {&playback_control_class, &playback_control},
    {&playback_callback_manager_class, &callback_manager},
    {&title_format_compiler_class, &compiler},
};

class Api final : public HostApi {
  public:
    ServiceClass find_service_class(const Guid& id) override {
        for (const ClassEntry& c : classes) {
            if (*c.id == id)
                return const_cast<ClassEntry*>(&c);
        }
        return nullptr;
    }
    bool create_instance(ServiceBase** out, ServiceClass service_class, uint32_t index) override {
        if (service_class == nullptr || index != 0)
            return false;
        ServiceBase* service = static_cast<ClassEntry*>(service_class)->service;
        service->add_reference();
        *out = service;
        return true;
    }
} api;

} // namespace

HostApi* host_api() {
    return &api;
}

void set_paused(bool paused) {
    paused_now = paused;
}

PlaybackEvents* registered_events(uint32_t& mask) {
    mask = events_mask;
    return events;
}

TrackHandle* make_track(TrackInfo info) {
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
    return left;
}

} // namespace lumivox::tools
