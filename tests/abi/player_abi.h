// The player's side of the component interface, as the player's own compiler
// lays it out: real C++ classes with pure virtual functions, single
// inheritance, no virtual destructors and no overloaded virtuals, so that
// clang in Microsoft's ABI builds the same tables, calling conventions,
// hidden result pointers and by-value handles as the player does. Slot
// numbers are noted beside each function; a table must never be reordered.
#pragma once

#include "win32_decls.h"

namespace player {

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};

inline bool operator==(const GUID& a, const GUID& b) {
    return memcmp(&a, &b, sizeof(GUID)) == 0;
}

// Length argument meaning "up to the terminating NUL".
constexpr size_t whole_text = ~size_t(0);

class service_base;

// The player's smart reference: one pointer, a copy adds a reference and the
// destructor releases it. Its copy constructor makes it non-trivial, which is
// what decides how it is passed by value.
template <class T> class service_ptr_t {
  public:
    service_ptr_t() = default;
    service_ptr_t(T* object) : object_(object) {
        if (object_ != nullptr)
            object_->service_add_ref();
    }
    service_ptr_t(const service_ptr_t& other) : service_ptr_t(other.object_) {}
    ~service_ptr_t() { release(); }
    service_ptr_t& operator=(const service_ptr_t& other) { return *this = other.object_; }
    service_ptr_t& operator=(T* object) {
        if (object != nullptr)
            object->service_add_ref();
        release();
        object_ = object;
        return *this;
    }
    void release() {
        T* old = object_;
        object_ = nullptr;
        if (old != nullptr)
            old->service_release();
    }
    // Gives the reference up to the caller, who releases it.
    T* detach() {
        T* object = object_;
        object_ = nullptr;
        return object;
    }
    T* get_ptr() const { return object_; }
    T* operator->() const { return object_; }
    bool is_valid() const { return object_ != nullptr; }

  private:
    T* object_ = nullptr;
};

class service_base {
  public:
    virtual int service_release() = 0;                                                  // 0
    virtual int service_add_ref() = 0;                                                  // 1
    virtual bool service_query(service_ptr_t<service_base>& out, const GUID& guid) = 0; // 2
};

class abort_callback {
  public:
    virtual bool is_aborting() = 0;       // 0
    virtual HANDLE get_abort_event() = 0; // 1
};

class string_receiver {
  public:
    virtual void add_string(const char* text, size_t length) = 0; // 0
};

class string_base : public string_receiver {
  public:
    virtual const char* get_ptr() = 0;                            // 1
    virtual void set_string(const char* text, size_t length) = 0; // 2
    virtual void truncate(size_t length) = 0;                     // 3
    virtual size_t get_length() = 0;                              // 4
    virtual char* lock_buffer(size_t length) = 0;                 // 5
    virtual void unlock_buffer() = 0;                             // 6
};

class stream_reader {
  public:
    virtual size_t read(void* data, size_t size, abort_callback& abort) = 0;      // 0
    virtual void read_object(void* data, size_t size, abort_callback& abort) = 0; // 1
    virtual uint64_t skip(uint64_t size, abort_callback& abort) = 0;              // 2
    virtual void skip_object(uint64_t size, abort_callback& abort) = 0;           // 3
};

class stream_writer {
  public:
    virtual void write(const void* data, size_t size, abort_callback& abort) = 0; // 0
};

struct replaygain_info {
    float album_gain;
    float track_gain;
    float album_peak;
    float track_peak;
};

class file_info {
  public:
    virtual double get_length() = 0;                                     // 0
    virtual void set_length(double length) = 0;                          // 1
    virtual void set_replaygain(const replaygain_info& info) = 0;        // 2
    virtual replaygain_info get_replaygain() = 0;                        // 3
    virtual size_t meta_get_count() = 0;                                 // 4
    virtual const char* meta_enum_name(size_t index) = 0;                // 5
    virtual size_t meta_enum_value_count(size_t index) = 0;              // 6
    virtual const char* meta_enum_value(size_t index, size_t value) = 0; // 7
};

class playable_location {
  public:
    virtual const char* get_path() = 0; // 0
};

class titleformat_hook;

class titleformat_text_filter {
  public:
    virtual void write(const GUID& input_type, string_receiver& out, const char* data,
                       size_t length) = 0; // 0
};

class titleformat_object : public service_base {};

struct filestats {
    uint64_t size;
    uint64_t timestamp;
};

class metadb_handle : public service_base {
  public:
    virtual const playable_location& get_location() = 0; // 3
    virtual bool format_title(titleformat_hook* hook, string_base& out,
                              const service_ptr_t<titleformat_object>& script,
                              titleformat_text_filter* filter) = 0; // 4
    virtual void metadb_lock() = 0;                                 // 5
    virtual void metadb_unlock() = 0;                               // 6
    virtual filestats get_filestats() = 0;                          // 7
    virtual bool is_info_loaded() = 0;                              // 8
    virtual bool get_info(file_info& out) = 0;                      // 9
    virtual bool get_info_locked(const file_info*& out) = 0;        // 10
};

using metadb_handle_ptr = service_ptr_t<metadb_handle>;

class titleformat_compiler : public service_base {
  public:
    virtual bool compile(service_ptr_t<titleformat_object>& out, const char* script) = 0; // 3
};

class playback_control : public service_base {
  public:
    virtual bool get_now_playing(metadb_handle_ptr& out) = 0; // 3
    virtual void start(int command, bool paused) = 0;         // 4
    virtual void stop() = 0;                                  // 5
    virtual bool is_playing() = 0;                            // 6
    virtual bool is_paused() = 0;                             // 7
};

class play_callback {
  public:
    virtual void on_playback_starting(int command, bool paused) = 0;        // 0
    virtual void on_playback_new_track(metadb_handle_ptr track) = 0;        // 1
    virtual void on_playback_stop(int reason) = 0;                          // 2
    virtual void on_playback_seek(double time) = 0;                         // 3
    virtual void on_playback_pause(bool state) = 0;                         // 4
    virtual void on_playback_edited(metadb_handle_ptr track) = 0;           // 5
    virtual void on_playback_dynamic_info(const file_info& info) = 0;       // 6
    virtual void on_playback_dynamic_info_track(const file_info& info) = 0; // 7
    virtual void on_playback_time(double time) = 0;                         // 8
    virtual void on_volume_change(float volume) = 0;                        // 9
};

// Event flags of register_callback: new track, stop, seek, pause, time.
constexpr unsigned flag_new_track = 1u << 1;
constexpr unsigned flag_stop = 1u << 2;
constexpr unsigned flag_seek = 1u << 3;
constexpr unsigned flag_pause = 1u << 4;
constexpr unsigned flag_time = 1u << 8;

class play_callback_manager : public service_base {
  public:
    virtual void register_callback(play_callback* callback, unsigned flags,
                                   bool forward_status_on_register) = 0; // 3
    virtual void unregister_callback(play_callback* callback) = 0;       // 4
};

class initquit : public service_base {
  public:
    virtual void on_init() = 0; // 3
    virtual void on_quit() = 0; // 4
};

class componentversion : public service_base {
  public:
    virtual void get_file_name(string_base& out) = 0;         // 3
    virtual void get_component_name(string_base& out) = 0;    // 4
    virtual void get_component_version(string_base& out) = 0; // 5
    virtual void get_about_message(string_base& out) = 0;     // 6
};

class preferences_page : public service_base {
  public:
    virtual HWND create(HWND parent) = 0;            // 3
    virtual const char* get_name() = 0;              // 4
    virtual GUID get_guid() = 0;                     // 5
    virtual GUID get_parent_guid() = 0;              // 6
    virtual bool reset_query() = 0;                  // 7
    virtual void reset() = 0;                        // 8
    virtual bool get_help_url(string_base& out) = 0; // 9
};

// What a page says of itself through its instance's get_state.
constexpr uint32_t preferences_state_changed = 1;
constexpr uint32_t preferences_state_resettable = 8;
constexpr uint32_t preferences_state_dark_mode_supported = 1u << 16;

class preferences_page_callback : public service_base {
  public:
    virtual void on_state_changed() = 0; // 3
};

class preferences_page_instance : public service_base {
  public:
    virtual uint32_t get_state() = 0; // 3
    virtual HWND get_wnd() = 0;       // 4
    virtual void apply() = 0;         // 5
    virtual void reset() = 0;         // 6
};

class preferences_page_v2 : public preferences_page {
  public:
    virtual double get_sort_priority() = 0; // 10
};

// Both the instance it answers and the callback it takes are smart
// references passed by value: the answer through a hidden result pointer,
// the callback as a copy the callee destroys.
class preferences_page_v3 : public preferences_page_v2 {
  public:
    virtual service_ptr_t<preferences_page_instance>
    instantiate(HWND parent, service_ptr_t<preferences_page_callback> callback) = 0; // 11
};

// The player's dark mode (2.0 and newer): an object that draws the windows
// handed to it dark while the player's setting says so.
class coreDarkModeObj : public service_base {
  public:
    virtual void addCtrlAuto(HWND control) = 0; // 3
    virtual void addDialog(HWND dialog) = 0;    // 4
    virtual void addControls(HWND window) = 0;  // 5
    virtual void setDarkMode(bool dark) = 0;    // 6
    virtual bool isDark() = 0;                  // 7
};

class coreDarkMode : public service_base {
  public:
    virtual service_ptr_t<coreDarkModeObj> create(bool dark) = 0; // 3
    virtual service_ptr_t<coreDarkModeObj> createAuto() = 0;      // 4
};

// One entry of the component's service list: its table has one slot, and the
// fields that follow the table pointer are read directly. The class GUID is
// held by reference, which is a pointer in memory.
class service_factory_base {
  public:
    virtual void instance_create(service_ptr_t<service_base>& out) = 0; // 0
    service_factory_base* next;
    const GUID* class_guid;
};

// Opaque to the component: what service_enum_find_class answers.
struct service_class;
using service_class_ref = service_class*;

class foobar2000_api {
  public:
    virtual service_class_ref service_enum_find_class(const GUID& guid) = 0; // 0
    virtual bool service_enum_create(service_ptr_t<service_base>& out, service_class_ref cls,
                                     size_t index) = 0;               // 1
    virtual size_t service_enum_get_count(service_class_ref cls) = 0; // 2
    virtual HWND get_main_window() = 0;                               // 3
    virtual bool assert_main_thread() = 0;                            // 4
    virtual bool is_main_thread() = 0;                                // 5
    virtual bool is_shutting_down() = 0;                              // 6
    virtual const char* get_profile_path() = 0;                       // 7
    virtual bool is_initializing() = 0;                               // 8
    virtual bool is_portable_mode_enabled() = 0;                      // 9
    virtual bool is_quiet_mode_enabled() = 0;                         // 10
};

class foobar2000_client {
  public:
    virtual unsigned get_version() = 0;                                     // 0
    virtual service_factory_base* get_service_list() = 0;                   // 1
    virtual void get_config(stream_writer* out, abort_callback& abort) = 0; // 2
    virtual void set_config(stream_reader* in, abort_callback& abort) = 0;  // 3
    virtual void set_library_path(const char* path, const char* name) = 0;  // 4
    virtual void services_init(bool initialized) = 0;                       // 5
    virtual bool is_debug() = 0;                                            // 6
};

// The component's one export: cdecl, undecorated.
using get_interface_function = foobar2000_client*(__cdecl*)(foobar2000_api* api,
                                                            HINSTANCE instance);

// Service classes.
constexpr GUID guid_componentversion = {
    0x10BB3EBD, 0xDDF7, 0x4975, {0xA3, 0xCC, 0x23, 0x08, 0x48, 0x29, 0x45, 0x3E}};
constexpr GUID guid_initquit = {
    0x113773C4, 0xB387, 0x4B48, {0x8B, 0xDF, 0xAB, 0x58, 0xBC, 0x6C, 0xE5, 0x38}};
constexpr GUID guid_preferences_page = {
    0x7255E8D0, 0x3FCF, 0x4781, {0xB9, 0x3B, 0xD0, 0x6C, 0xB8, 0x8D, 0xFA, 0xFA}};
constexpr GUID guid_playback_control = {
    0xBF803668, 0x2977, 0x4C71, {0xB9, 0xAB, 0x5C, 0x77, 0xC3, 0x38, 0xC9, 0x70}};
constexpr GUID guid_play_callback_manager = {
    0x78BCBFA1, 0xDFB9, 0x487F, {0xAB, 0x16, 0xCD, 0x82, 0xBF, 0x90, 0xCC, 0xF7}};
constexpr GUID guid_titleformat_compiler = {
    0x3F7674AB, 0x044C, 0x4796, {0x88, 0x01, 0x6C, 0x44, 0x3C, 0x24, 0x4D, 0x88}};
constexpr GUID guid_preferences_page_v2 = {
    0xCE4EBC9E, 0xAB20, 0x46F9, {0x92, 0x5F, 0x88, 0x3B, 0x08, 0x4F, 0x05, 0x69}};
constexpr GUID guid_preferences_page_v3 = {
    0xD6D0F741, 0x9F17, 0x4DF8, {0x9D, 0x5C, 0x87, 0xF2, 0x8B, 0x1F, 0x0E, 0x64}};
constexpr GUID guid_core_dark_mode = {
    0xE34839B0, 0xD899, 0x43C5, {0x94, 0x71, 0x14, 0xFF, 0x48, 0x1D, 0x5E, 0xE8}};
// The Tools page, under which the component's page is listed.
constexpr GUID guid_page_tools = {
    0x627C0767, 0x0793, 0x44F8, {0x80, 0x87, 0xBE, 0x49, 0x34, 0x31, 0x12, 0x82}};

} // namespace player
