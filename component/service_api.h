// The objects that pass between the host and the component. Each is reached
// through its table of operations; the declaration order of the virtual
// functions below is the slot order, which is the interface. The substitute
// host declares the player's side on its own, so that a mistake here shows
// as a failure there instead of being shared.
#pragma once

#include "base/host_api.h"
#include "platform/window_message.h"

#include <cstdint>

namespace lumivox {

// A GUID in its standard 16-byte layout.
struct Guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};
static_assert(sizeof(Guid) == 16);

inline bool operator==(const Guid& a, const Guid& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3)
        return false;
    for (int i = 0; i < 8; ++i) {
        if (a.data4[i] != b.data4[i])
            return false;
    }
    return true;
}

// Operations 0-2 of every service object, the host's and the component's.
// The query's output comes first: it is a reference to the caller's pointer.
class ServiceBase {
  public:
    virtual int release() = 0;
    virtual int add_reference() = 0;
    virtual bool query(ServiceBase** out, const Guid& interface_id) = 0;

  protected:
    ~ServiceBase() = default;
};

// One entry of the component's service list: an operation table with one
// operation, then the next entry, then the class GUID; the service object
// itself is held inside the entry after these.
class ServiceEntry {
  public:
    virtual void obtain_instance(ServiceBase** out) = 0;
    ServiceEntry* next = nullptr;
    const Guid* class_id = nullptr;

  protected:
    ~ServiceEntry() = default;
};

// The object the exported entry point answers.
class ComponentClient {
  public:
    virtual uint32_t interface_version() = 0;
    virtual ServiceEntry* service_list() = 0;
    virtual void write_configuration(HostOutputStream* stream, HostAbortToken* abort) = 0;
    virtual void read_configuration(HostInputStream* stream, HostAbortToken* abort) = 0;
    virtual void set_library_path(const char* first, const char* second) = 0;
    virtual void services_initialised(bool initialised) = 0;
    virtual bool is_debug_build() = 0;

  protected:
    ~ComponentClient() = default;
};

using ServiceClass = void*;

// The host API handed to the entry point. The slots the component does not
// use are kept so that the ones it uses stand at their numbers.
class HostApi {
  public:
    virtual ServiceClass find_service_class(const Guid& class_id) = 0;
    virtual bool create_instance(ServiceBase** out, ServiceClass service_class, size_t index) = 0;
    virtual void unused_2() = 0;
    virtual void unused_3() = 0;
    virtual void unused_4() = 0;
    virtual void unused_5() = 0;
    virtual void unused_6() = 0;
    // The player's profile folder in its own path form: "file://" and a
    // local path (in portable mode the "profile" folder beside the player).
    virtual const char* profile_path() = 0; // 7

  protected:
    ~HostApi() = default;
};

// --- Services of the component -------------------------------------------

class ComponentVersionService : public ServiceBase {
  public:
    virtual void report_file_name(HostText* out) = 0;
    virtual void report_component_name(HostText* out) = 0;
    virtual void report_version(HostText* out) = 0;
    virtual void report_about_text(HostText* out) = 0;

  protected:
    ~ComponentVersionService() = default;
};

class LifecycleService : public ServiceBase {
  public:
    virtual void on_host_start() = 0;
    virtual void on_host_quit() = 0;

  protected:
    ~LifecycleService() = default;
};

// The host's windows as the platform numbers windows: the HWND on Windows,
// which the host passes as the same pointer-sized word. Without Win32 the
// page's handle is the address of a PageWindow (page_window.h) and the parent is not
// looked at.
using platform::WindowHandle;

// The page listed in the host's preferences window.
class PreferencesPageService : public ServiceBase {
  public:
    // For players before 1.0: a modeless child of parent, not yet visible;
    // the host destroys it, and the page stores the settings then.
    virtual WindowHandle create_page(WindowHandle parent) = 0;
    virtual const char* page_name() = 0;
    // Both fill out and answer it.
    virtual Guid* page_guid(Guid* out) = 0;
    virtual Guid* parent_guid(Guid* out) = 0;
    virtual bool reset_query() = 0;
    virtual void reset() = 0;
    virtual bool help_url(HostText* out) = 0;

  protected:
    ~PreferencesPageService() = default;
};

// Since player 1.0 the host asks the page object for these through its
// query and works the page through an instance.
class PreferencesPageV2 : public PreferencesPageService {
  public:
    virtual double sort_priority() = 0; // 10: 0 sorts by name
  protected:
    ~PreferencesPageV2() = default;
};

// What the page says of itself through the instance's state.
enum PageState : uint32_t {
    page_changed = 1,          // the controls differ from the stored settings
    page_resettable = 8,       // the host may offer "Reset page"
    page_dark_mode = 1u << 16, // drawn by the host's dark-mode service
};

// The host's side of one instance: told whenever the state may have changed.
class PageCallback : public ServiceBase {
  public:
    virtual void on_state_changed() = 0; // 3
  protected:
    ~PageCallback() = default;
};

// One open page as the host holds it. The host destroys the window, then
// releases the instance.
class PageInstance : public ServiceBase {
  public:
    virtual uint32_t state() = 0;      // 3: PageState flags
    virtual WindowHandle window() = 0; // 4
    virtual void apply() = 0;          // 5: stores the controls and applies them
    virtual void reset() = 0;          // 6: shows the defaults, stores nothing
  protected:
    ~PageInstance() = default;
};

// An object the host passes by value: a copy holding its own reference,
// which the receiver gives up. In Microsoft's x64 convention (and on this
// project's other 64-bit lane, to match it) the copy lies in the caller's
// temporary and the argument is its address; on x86 the copy is the argument.
#if UINTPTR_MAX > 0xFFFFFFFFu
template <typename T> using ByValue = T* const*;
template <typename T> T* object_of(ByValue<T> arg) {
    return arg != nullptr ? *arg : nullptr;
}
#else
template <typename T> using ByValue = T*;
template <typename T> T* object_of(ByValue<T> arg) {
    return arg;
}
#endif

class PreferencesPageV3 : public PreferencesPageV2 {
  public:
    // 11. The instance comes back by value: the caller's pointer to the
    // result follows `this`, receives the instance with a reference the
    // caller owns, and is answered. The callback comes by value.
    virtual PageInstance** instantiate(PageInstance** out, WindowHandle parent,
                                       ByValue<PageCallback> callback) = 0;

  protected:
    ~PreferencesPageV3() = default;
};

// --- Objects of the host that the component uses -------------------------

// The slots the component does not use are kept so that the ones it uses
// stand at their numbers.
class PlaybackControlService : public ServiceBase {
  public:
    virtual void unused_3() = 0;
    virtual void unused_4() = 0;
    virtual void unused_5() = 0;
    virtual void unused_6() = 0;
    virtual bool is_paused() = 0; // 7
  protected:
    ~PlaybackControlService() = default;
};

class PlaybackEvents;

class PlaybackCallbackManager : public ServiceBase {
  public:
    virtual void register_events(PlaybackEvents* events, uint32_t mask,
                                 bool forward_status) = 0;      // 3
    virtual void unregister_events(PlaybackEvents* events) = 0; // 4
  protected:
    ~PlaybackCallbackManager() = default;
};

class CompiledScript : public ServiceBase {
  protected:
    ~CompiledScript() = default;
};

class TitleFormatCompiler : public ServiceBase {
  public:
    virtual bool compile(CompiledScript** out, const char* script) = 0; // 3
  protected:
    ~TitleFormatCompiler() = default;
};

// Applied by the host to every field value it puts into a formatted title;
// the script's literal text is not filtered. The first argument names the
// kind of input; the filter adds its result to out.
class TitleTextFilter {
  public:
    virtual void write(const Guid& input_type, TextReceiver* out, const char* data,
                       size_t length) = 0;

  protected:
    ~TitleTextFilter() = default;
};

class LocationRecord {
  public:
    virtual const char* path() = 0; // 0
  protected:
    ~LocationRecord() = default;
};

class InformationRecord {
  public:
    // The track's length in seconds; 0 or less when the player does not know
    // it.
    virtual double length() = 0; // 0
    virtual void unused_1() = 0;
    virtual void unused_2() = 0;
    virtual void unused_3() = 0;
    virtual size_t field_count() = 0;                                // 4
    virtual const char* field_name(size_t index) = 0;                // 5
    virtual size_t value_count(size_t index) = 0;                    // 6
    virtual const char* field_value(size_t index, size_t value) = 0; // 7
  protected:
    ~InformationRecord() = default;
};

class TrackHandle : public ServiceBase {
  public:
    virtual LocationRecord* location() = 0; // 3
    // The script is a reference to the caller's pointer to it.
    virtual bool format_title(void* hook, HostText* out, CompiledScript* const* script,
                              TitleTextFilter* filter) = 0; // 4
    virtual void begin_reading_information() = 0;           // 5
    virtual void end_reading_information() = 0;             // 6
    virtual void unused_7() = 0;
    virtual void unused_8() = 0;
    virtual void unused_9() = 0;
    virtual bool information(InformationRecord** out) = 0; // 10
  protected:
    ~TrackHandle() = default;
};

// A track handle the host passes by value (see ByValue).
using TrackHandleArg = ByValue<TrackHandle>;
inline TrackHandle* track_of(TrackHandleArg arg) {
    return object_of<TrackHandle>(arg);
}

// The component's playback callbacks: ten slots, no base operations.
class PlaybackEvents {
  public:
    virtual void on_starting(int32_t command, bool paused) = 0;      // 0
    virtual void on_new_track(TrackHandleArg track) = 0;             // 1
    virtual void on_stop(int32_t reason) = 0;                        // 2
    virtual void on_seek(double seconds) = 0;                        // 3
    virtual void on_pause(bool paused) = 0;                          // 4
    virtual void on_edited(TrackHandleArg track) = 0;                // 5
    virtual void on_dynamic_info(const void* information) = 0;       // 6
    virtual void on_dynamic_track_info(const void* information) = 0; // 7
    virtual void on_time(double seconds) = 0;                        // 8
    virtual void on_volume_change(float volume) = 0;                 // 9
  protected:
    ~PlaybackEvents() = default;
};

// The host's drawing of a window in its dark mode (player 2.0 and newer).
class DarkModeObject : public ServiceBase {
  public:
    virtual void unused_3() = 0;
    virtual void add_dialog(WindowHandle dialog) = 0;   // 4
    virtual void add_controls(WindowHandle window) = 0; // 5: every child
  protected:
    ~DarkModeObject() = default;
};

class DarkModeService : public ServiceBase {
  public:
    virtual void unused_3() = 0;
    // 4. Follows the host's setting. The object comes back by value, as
    // instantiate's instance does.
    virtual DarkModeObject** create_auto(DarkModeObject** out) = 0;

  protected:
    ~DarkModeService() = default;
};

// The exported entry point's name and shape.
using GetInterfaceFn = ComponentClient* (*)(HostApi* host_api, void* module_handle);
inline constexpr const char entry_point_name[] = "foobar2000_get_interface";

// Class GUIDs.
inline constexpr Guid component_version_class = {
    0x10BB3EBD, 0xDDF7, 0x4975, {0xA3, 0xCC, 0x23, 0x08, 0x48, 0x29, 0x45, 0x3E}};
inline constexpr Guid lifecycle_class = {
    0x113773C4, 0xB387, 0x4B48, {0x8B, 0xDF, 0xAB, 0x58, 0xBC, 0x6C, 0xE5, 0x38}};
inline constexpr Guid preferences_page_class = {
    0x7255E8D0, 0x3FCF, 0x4781, {0xB9, 0x3B, 0xD0, 0x6C, 0xB8, 0x8D, 0xFA, 0xFA}};
inline constexpr Guid preferences_page_id = {
    0xD449F281, 0xEFF4, 0x4C92, {0xB0, 0x9D, 0x68, 0xC1, 0x6D, 0x9A, 0xF6, 0x12}};
inline constexpr Guid preferences_page_v2_class = {
    0xCE4EBC9E, 0xAB20, 0x46F9, {0x92, 0x5F, 0x88, 0x3B, 0x08, 0x4F, 0x05, 0x69}};
inline constexpr Guid preferences_page_v3_class = {
    0xD6D0F741, 0x9F17, 0x4DF8, {0x9D, 0x5C, 0x87, 0xF2, 0x8B, 0x1F, 0x0E, 0x64}};
inline constexpr Guid dark_mode_class = {
    0xE34839B0, 0xD899, 0x43C5, {0x94, 0x71, 0x14, 0xFF, 0x48, 0x1D, 0x5E, 0xE8}};
// The host's page under which the component's page is listed.
inline constexpr Guid preferences_parent_id = {
    0x627C0767, 0x0793, 0x44F8, {0x80, 0x87, 0xBE, 0x49, 0x34, 0x31, 0x12, 0x82}};
inline constexpr Guid playback_control_class = {
    0xBF803668, 0x2977, 0x4C71, {0xB9, 0xAB, 0x5C, 0x77, 0xC3, 0x38, 0xC9, 0x70}};
inline constexpr Guid playback_callback_manager_class = {
    0x78BCBFA1, 0xDFB9, 0x487F, {0xAB, 0x16, 0xCD, 0x82, 0xBF, 0x90, 0xCC, 0xF7}};
inline constexpr Guid title_format_compiler_class = {
    0x3F7674AB, 0x044C, 0x4796, {0x88, 0x01, 0x6C, 0x44, 0x3C, 0x24, 0x4D, 0x88}};

// The x86 player loads 72 and newer (the whole 0.9.5-2.x line); the x64
// player loads only 80 and newer.
inline constexpr uint32_t client_interface_version = sizeof(void*) == 8 ? 80 : 72;
inline constexpr uint32_t playback_event_mask = 286;

} // namespace lumivox
