// The player's side of the component's binary interface, declared from the
// player's published interface and from nothing of the component's own: the
// substitute host calls the component exactly as the player does, so that a
// disagreement between the two fails a test instead of being shared.
//
// Slot order is declaration order. Every interface keeps to single
// inheritance, pure virtual functions and no virtual destructor, which both
// compilers lay out alike. Sizes the player declares as t_size are size_t
// (8 bytes on x64).
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace lumivox::tools {

struct guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};
static_assert(sizeof(guid) == 16);

inline bool operator==(const guid& a, const guid& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3)
        return false;
    for (int i = 0; i < 8; ++i) {
        if (a.data4[i] != b.data4[i])
            return false;
    }
    return true;
}

#ifdef _WIN32
using window_handle = HWND;
#else
using window_handle = void*;
#endif

// The length meaning "up to the terminator".
inline constexpr size_t whole_string = ~size_t{0};

// The component never calls it; it hands it back to the streams.
class abort_callback {
  public:
    virtual bool is_aborting() = 0;

  protected:
    ~abort_callback() = default;
};

class string_receiver {
  public:
    virtual void add_string(const char* text, size_t length) = 0;

  protected:
    ~string_receiver() = default;
};

class string_base : public string_receiver {
  public:
    virtual const char* get_ptr() = 0;
    virtual void set_string(const char* text, size_t length) = 0;
    virtual void truncate(size_t length) = 0;
    virtual size_t get_length() = 0;
    virtual char* lock_buffer(size_t length) = 0;
    virtual void unlock_buffer() = 0;

  protected:
    ~string_base() = default;
};

class stream_reader {
  public:
    virtual size_t read(void* buffer, size_t bytes, abort_callback& abort) = 0;
    virtual void read_object(void* buffer, size_t bytes, abort_callback& abort) = 0;
    virtual uint64_t skip(uint64_t bytes, abort_callback& abort) = 0;
    virtual void skip_object(uint64_t bytes, abort_callback& abort) = 0;

  protected:
    ~stream_reader() = default;
};

class stream_writer {
  public:
    virtual void write(const void* data, size_t bytes, abort_callback& abort) = 0;

  protected:
    ~stream_writer() = default;
};

class service_base {
  public:
    virtual int service_release() = 0;
    virtual int service_add_ref() = 0;
    // The output, a reference to the caller's pointer, comes first.
    virtual bool service_query(service_base** out, const guid& id) = 0;

  protected:
    ~service_base() = default;
};

// One entry of a component's service list: a table with one slot, then the
// fields.
class service_factory_base {
  public:
    virtual void instance_create(service_base** out) = 0;
    service_factory_base* next;
    const guid* class_guid;

  protected:
    ~service_factory_base() = default;
};

using service_class_ref = void*;

class foobar2000_api {
  public:
    virtual service_class_ref service_enum_find_class(const guid& id) = 0;
    virtual bool service_enum_create(service_base** out, service_class_ref service_class,
                                     size_t index) = 0;
    virtual size_t service_enum_get_count(service_class_ref service_class) = 0;
    virtual window_handle get_main_window() = 0;
    virtual bool assert_main_thread() = 0;
    virtual bool is_main_thread() = 0;
    virtual bool is_shutting_down() = 0;
    virtual const char* get_profile_path() = 0;
    virtual bool is_initializing() = 0;
    virtual bool is_portable_mode_enabled() = 0;
    virtual bool is_quiet_mode_enabled() = 0;

  protected:
    ~foobar2000_api() = default;
};

class foobar2000_client {
  public:
    virtual uint32_t get_version() = 0;
    virtual service_factory_base* get_service_list() = 0;
    virtual void get_config(stream_writer* stream, abort_callback& abort) = 0;
    virtual void set_config(stream_reader* stream, abort_callback& abort) = 0;
    virtual void set_library_path(const char* path, const char* name) = 0;
    virtual void services_init(bool initialised) = 0;
    virtual bool is_debug() = 0;

  protected:
    ~foobar2000_client() = default;
};

using get_interface_function = foobar2000_client* (*)(foobar2000_api* api, void* module);
inline constexpr const char get_interface_name[] = "foobar2000_get_interface";

// The versions each player accepts: x64 loads 80 and newer only.
inline constexpr uint32_t accepted_client_version = sizeof(void*) == 8 ? 80 : 72;

// --- Services a component offers ------------------------------------------

class componentversion : public service_base {
  public:
    virtual void get_file_name(string_base& out) = 0;
    virtual void get_component_name(string_base& out) = 0;
    virtual void get_component_version(string_base& out) = 0;
    virtual void get_about_message(string_base& out) = 0;

  protected:
    ~componentversion() = default;
};

class initquit : public service_base {
  public:
    virtual void on_init() = 0;
    virtual void on_quit() = 0;

  protected:
    ~initquit() = default;
};

// GUIDs come back by value: the caller's result pointer follows `this`, and
// the same pointer is answered.
class preferences_page : public service_base {
  public:
    virtual window_handle create(window_handle parent) = 0;
    virtual const char* get_name() = 0;
    virtual guid* get_guid(guid* result) = 0;
    virtual guid* get_parent_guid(guid* result) = 0;
    virtual bool reset_query() = 0;
    virtual void reset() = 0;
    virtual bool get_help_url(string_base& out) = 0;

  protected:
    ~preferences_page() = default;
};

// The state flags of preferences_page_instance::get_state.
inline constexpr uint32_t preferences_state_changed = 1;
inline constexpr uint32_t preferences_state_resettable = 8;
inline constexpr uint32_t preferences_state_dark_mode_supported = 1u << 16;

class preferences_page_callback : public service_base {
  public:
    virtual void on_state_changed() = 0;

  protected:
    ~preferences_page_callback() = default;
};

class preferences_page_instance : public service_base {
  public:
    virtual uint32_t get_state() = 0;
    virtual window_handle get_wnd() = 0;
    virtual void apply() = 0;
    virtual void reset() = 0;

  protected:
    ~preferences_page_instance() = default;
};

// An object passed by value is a copy holding its own reference, which the
// callee releases. Microsoft's x64 convention passes the address of the
// caller's temporary copy (the substitute's other 64-bit lane does the
// same); on x86 the copy itself fills the argument slot.
#if UINTPTR_MAX > 0xFFFFFFFFu
template <typename T> using by_value = T* const*;
#else
template <typename T> using by_value = T*;
#endif

class preferences_page_v2 : public preferences_page {
  public:
    virtual double get_sort_priority() = 0;

  protected:
    ~preferences_page_v2() = default;
};

class preferences_page_v3 : public preferences_page_v2 {
  public:
    // The instance comes back by value, through the caller's result pointer,
    // which is answered; the callback goes by value.
    virtual preferences_page_instance**
    instantiate(preferences_page_instance** result, window_handle parent,
                by_value<preferences_page_callback> callback) = 0;

  protected:
    ~preferences_page_v3() = default;
};

// Calls instantiate as the player's compiler does: a copy of the callback
// with a reference of its own, which the page releases; the result is
// written by the callee into storage of the caller's. Answers the instance
// with the reference the caller owns, and whether the callee answered the
// result pointer it was given.
inline preferences_page_instance* instantiate_page(preferences_page_v3* page, window_handle parent,
                                                   preferences_page_callback* callback,
                                                   bool& answered_result) {
    preferences_page_instance* result = nullptr;
    callback->service_add_ref();
#if UINTPTR_MAX > 0xFFFFFFFFu
    preferences_page_callback* const copy = callback;
    answered_result = page->instantiate(&result, parent, &copy) == &result;
#else
    answered_result = page->instantiate(&result, parent, callback) == &result;
#endif
    return result;
}

// --- Services and objects of the player -----------------------------------

// Draws a window and its controls dark while the player's dark mode is on
// (player 2.0 and newer).
class core_dark_mode_obj : public service_base {
  public:
    virtual void addCtrlAuto(window_handle control) = 0;
    virtual void addDialog(window_handle dialog) = 0;
    virtual void addControls(window_handle window) = 0;
    virtual void setDarkMode(bool dark) = 0;
    virtual bool isDark() = 0;

  protected:
    ~core_dark_mode_obj() = default;
};

// Its objects come back by value, as instantiate's instance does.
class core_dark_mode : public service_base {
  public:
    virtual core_dark_mode_obj** create(core_dark_mode_obj** result, bool dark) = 0;
    virtual core_dark_mode_obj** createAuto(core_dark_mode_obj** result) = 0;

  protected:
    ~core_dark_mode() = default;
};

// Slots the component never calls are declared without their arguments;
// they only hold their places.
class playback_control : public service_base {
  public:
    virtual void get_now_playing() = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool is_playing() = 0;
    virtual bool is_paused() = 0;

  protected:
    ~playback_control() = default;
};

class play_callback;

class play_callback_manager : public service_base {
  public:
    virtual void register_callback(play_callback* callback, unsigned flags,
                                   bool forward_status_on_register) = 0;
    virtual void unregister_callback(play_callback* callback) = 0;

  protected:
    ~play_callback_manager() = default;
};

class titleformat_object : public service_base {
  protected:
    ~titleformat_object() = default;
};

class titleformat_compiler : public service_base {
  public:
    // out is the caller's pointer; it receives an object with one reference,
    // which the caller releases.
    virtual bool compile(titleformat_object** out, const char* script) = 0;

  protected:
    ~titleformat_compiler() = default;
};

class titleformat_hook;

class titleformat_text_filter {
  public:
    virtual void write(const guid& input_type, string_receiver& out, const char* data,
                       size_t length) = 0;

  protected:
    ~titleformat_text_filter() = default;
};

class playable_location {
  public:
    virtual const char* get_path() = 0;

  protected:
    ~playable_location() = default;
};

class file_info {
  public:
    virtual double get_length() = 0;
    virtual void set_length(double length) = 0;
    virtual void set_replaygain() = 0;
    virtual void get_replaygain() = 0;
    virtual size_t meta_get_count() = 0;
    virtual const char* meta_enum_name(size_t index) = 0;
    virtual size_t meta_enum_value_count(size_t index) = 0;
    virtual const char* meta_enum_value(size_t index, size_t value) = 0;

  protected:
    ~file_info() = default;
};

class metadb_handle : public service_base {
  public:
    virtual const playable_location& get_location() = 0;
    // script is a reference to the caller's pointer to the compiled script.
    virtual bool format_title(titleformat_hook* hook, string_base& out,
                              titleformat_object* const& script,
                              titleformat_text_filter* filter) = 0;
    virtual void metadb_lock() = 0;
    virtual void metadb_unlock() = 0;
    virtual void get_filestats() = 0;
    virtual bool is_info_loaded() = 0;
    virtual bool get_info() = 0;
    virtual bool get_info_locked(const file_info*& out) = 0;

  protected:
    ~metadb_handle() = default;
};

using metadb_handle_by_value = by_value<metadb_handle>;

class play_callback {
  public:
    virtual void on_playback_starting(int command, bool paused) = 0;
    virtual void on_playback_new_track(metadb_handle_by_value track) = 0;
    virtual void on_playback_stop(int reason) = 0;
    virtual void on_playback_seek(double seconds) = 0;
    virtual void on_playback_pause(bool paused) = 0;
    virtual void on_playback_edited(metadb_handle_by_value track) = 0;
    virtual void on_playback_dynamic_info(const file_info& info) = 0;
    virtual void on_playback_dynamic_info_track(const file_info& info) = 0;
    virtual void on_playback_time(double seconds) = 0;
    virtual void on_volume_change(float volume) = 0;

  protected:
    ~play_callback() = default;
};

// The flags of play_callback_manager::register_callback: bit n asks for
// the event of slot n.
inline constexpr unsigned flag_new_track = 1u << 1;
inline constexpr unsigned flag_stop = 1u << 2;
inline constexpr unsigned flag_seek = 1u << 3;
inline constexpr unsigned flag_pause = 1u << 4;
inline constexpr unsigned flag_time = 1u << 8;

// Calls on_playback_new_track as the player's compiler does: a copy of the
// handle with a reference of its own, which the component releases.
inline void send_new_track(play_callback* callback, metadb_handle* track) {
    track->service_add_ref();
#if UINTPTR_MAX > 0xFFFFFFFFu
    metadb_handle* const copy = track;
    callback->on_playback_new_track(&copy);
#else
    callback->on_playback_new_track(track);
#endif
}

// Class GUIDs of the player's services, and those the component offers.
inline constexpr guid componentversion_class = {
    0x10BB3EBD, 0xDDF7, 0x4975, {0xA3, 0xCC, 0x23, 0x08, 0x48, 0x29, 0x45, 0x3E}};
inline constexpr guid initquit_class = {
    0x113773C4, 0xB387, 0x4B48, {0x8B, 0xDF, 0xAB, 0x58, 0xBC, 0x6C, 0xE5, 0x38}};
inline constexpr guid preferences_page_class = {
    0x7255E8D0, 0x3FCF, 0x4781, {0xB9, 0x3B, 0xD0, 0x6C, 0xB8, 0x8D, 0xFA, 0xFA}};
inline constexpr guid preferences_page_v2_class = {
    0xCE4EBC9E, 0xAB20, 0x46F9, {0x92, 0x5F, 0x88, 0x3B, 0x08, 0x4F, 0x05, 0x69}};
inline constexpr guid preferences_page_v3_class = {
    0xD6D0F741, 0x9F17, 0x4DF8, {0x9D, 0x5C, 0x87, 0xF2, 0x8B, 0x1F, 0x0E, 0x64}};
inline constexpr guid core_dark_mode_class = {
    0xE34839B0, 0xD899, 0x43C5, {0x94, 0x71, 0x14, 0xFF, 0x48, 0x1D, 0x5E, 0xE8}};
inline constexpr guid playback_control_class = {
    0xBF803668, 0x2977, 0x4C71, {0xB9, 0xAB, 0x5C, 0x77, 0xC3, 0x38, 0xC9, 0x70}};
inline constexpr guid play_callback_manager_class = {
    0x78BCBFA1, 0xDFB9, 0x487F, {0xAB, 0x16, 0xCD, 0x82, 0xBF, 0x90, 0xCC, 0xF7}};
inline constexpr guid titleformat_compiler_class = {
    0x3F7674AB, 0x044C, 0x4796, {0x88, 0x01, 0x6C, 0x44, 0x3C, 0x24, 0x4D, 0x88}};

} // namespace lumivox::tools
