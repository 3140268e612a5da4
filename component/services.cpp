#include "component/services.h"

#include "component/entry.h"
#include "component/preferences.h"
#include "component/settings.h"
#include "sync/playback.h"
#include "sync/sync_objects.h"

#include <string>

namespace lumivox {

namespace {

const std::string& about_text() {
    static const std::string text =
        std::string("Lumivox ") + component_version +
        ", a component for the foobar2000 media player\n"
        "\n"
        "Makes your desktop mascot sing along with the playing track: each line\n"
        "of the track's lyric file is sent at its time as an SSTP request.\n"
        "\n"
        "Built " __DATE__ "\n"
        "Developed by the Lumivox team\n"
        "Homepage: https://lumivox.invalid/\n"
        "Illustration: the Lumivox team\n"
        "Thanks to everyone who writes lyric scripts and ghosts.";
    return text;
}

class VersionService : public StaticService<ComponentVersionService> {
  public:
    void report_file_name(HostText* out) override { out->set(library_name.get(), whole_text); }
    void report_component_name(HostText* out) override { out->set(component_name, whole_text); }
    void report_version(HostText* out) override { out->set(component_version, whole_text); }
    void report_about_text(HostText* out) override { out->set(about_text().c_str(), whole_text); }
};

class Lifecycle : public StaticService<LifecycleService> {
  public:
    void on_host_start() override { handle_host_start(); }
    void on_host_quit() override { handle_host_exit(); }
};

constinit StaticEntry<VersionService> version_entry(component_version_class);
constinit StaticEntry<Lifecycle> lifecycle_entry(lifecycle_class);

} // namespace

void component_load() {
    sync_objects_create();
    push_service_entry(&version_entry);
    settings_register();
    push_service_entry(&lifecycle_entry);
    push_service_entry(preferences_page_entry());
}

void component_unload() {
    library_name.release();
    settings_release();
    sync_objects_destroy();
}

} // namespace lumivox
