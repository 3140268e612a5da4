// The conformance host: built in the player's own ABI, it loads
// foo_lumivox.dll from its folder and drives the component's whole life as
// the player does, checking every call in both directions.
#include "config_blob.h"
#include "host_session.h"
#include "player_services.h"
#include "player_streams.h"
#include "report.h"
#include "sstp_listener.h"
#include "text.h"

namespace abi {

constinit const Settings configured = {
    0x100, // charset "Default", .lrc files allowed, TCP
    0x111, // lyrics, start-up and exit scripts, announcement
    "\\0\\s[7]%ILYX\\e",
    "\\0\\s[0]ABI host starting.\\e",
    "\\0\\s[0]ABI host exiting.\\e",
    "'\\0\\s[0]Next: '%title%' by '%artist%'\\e'",
    0,  // no downloads: nothing may leave the machine
    "", // no lyrics folder of the user's
    "http://127.0.0.1:9/",
};

namespace {

using namespace player;

#if defined(_M_X64)
constexpr unsigned client_version = 80;
#else
constexpr unsigned client_version = 72;
#endif

constexpr GUID guid_lumivox_page = {
    0xD449F281, 0xEFF4, 0x4C92, {0xB0, 0x9D, 0x68, 0xC1, 0x6D, 0x9A, 0xF6, 0x12}};

wchar_t module_path[1024];

// foo_lumivox.dll beside this program.
const wchar_t* component_path() {
    DWORD n = GetModuleFileNameW(nullptr, module_path, 1000);
    while (n > 0 && module_path[n - 1] != L'\\')
        --n;
    const wchar_t name[] = L"foo_lumivox.dll";
    memcpy(module_path + n, name, sizeof name);
    return module_path;
}

bool load(HostSession& session) {
    step("1. load foo_lumivox.dll and check the client");
    session.module = LoadLibraryW(component_path());
    if (!check(session.module != nullptr, "LoadLibraryW foo_lumivox.dll (error %lu)",
               GetLastError()))
        return false;
    guard_component(session.module);
    auto get_interface = reinterpret_cast<get_interface_function>(
        GetProcAddress(session.module, "foobar2000_get_interface"));
    if (!check(get_interface != nullptr, "foobar2000_get_interface exported, undecorated"))
        return false;
    session.client = get_interface(player_api(), session.module);
    if (!check(session.client != nullptr, "foobar2000_get_interface answered a client"))
        return false;
    unsigned version = session.client->get_version();
    check(version == client_version, "get_version %u (%u expected)", version, client_version);
    check(!session.client->is_debug(), "is_debug answers false");
    char path[1024];
    to_utf8(module_path, path, sizeof path);
    session.client->set_library_path(path, "foo_lumivox");
    return true;
}

bool walk_services(HostSession& session, service_ptr_t<service_base> (&held)[3]) {
    step("2. the service list");
    const GUID* expected[] = {&guid_preferences_page, &guid_initquit, &guid_componentversion};
    const char* names[] = {"preferences_page", "initquit", "componentversion"};
    int count = 0;
    bool in_order = true;
    for (service_factory_base* entry = session.client->get_service_list();
         entry != nullptr && count < 16; entry = entry->next, ++count) {
        if (count >= 3 || entry->class_guid == nullptr ||
            !(*entry->class_guid == *expected[count])) {
            in_order = false;
            continue;
        }
        entry->instance_create(held[count]);
        check(held[count].is_valid(), "%s: instance_create answered an object", names[count]);
        service_ptr_t<service_base> other;
        bool answered =
            held[count].is_valid() && held[count]->service_query(other, *expected[count]);
        check(!answered && !other.is_valid(),
              "%s: service_query answers false and leaves its output empty", names[count]);
    }
    check(count == 3 && in_order,
          "three entries: preferences page, initquit, componentversion (%d entries%s)", count,
          in_order ? "" : ", other classes or order");
    if (count != 3 || !in_order || !held[0].is_valid() || !held[1].is_valid() ||
        !held[2].is_valid())
        return false;
    session.page = static_cast<preferences_page*>(held[0].get_ptr());
    session.lifecycle = static_cast<initquit*>(held[1].get_ptr());
    session.version = static_cast<componentversion*>(held[2].get_ptr());

    GUID guid = session.page->get_guid();
    check(guid == guid_lumivox_page, "preferences_page::get_guid by value");
    guid = session.page->get_parent_guid();
    check(guid == guid_page_tools, "preferences_page::get_parent_guid by value");
    check_text("preferences_page::get_name", session.page->get_name(), "Lumivox");
    PlayerString url;
    check(session.page->get_help_url(url) && url.get_length() > 0,
          "preferences_page::get_help_url gives an address");

    PlayerString text;
    session.version->get_file_name(text);
    check_text("componentversion::get_file_name gives the library name back", text.get_ptr(),
               "foo_lumivox");
    session.version->get_component_name(text);
    check_text("componentversion::get_component_name", text.get_ptr(), "Lumivox");
    session.version->get_component_version(text);
    check_text("componentversion::get_component_version", text.get_ptr(), "0.2.2");
    session.version->get_about_message(text);
    check(text.get_length() > 0, "componentversion::get_about_message gives a text");
    return true;
}

void exchange_config(HostSession& session) {
    step("3. set_config and get_config");
    Bytes blob;
    build_blob(configured, blob);
    session.client->set_config(open_blob_reader(blob.data, blob.size), abort_token());
    check(blob_reader_left() == 0, "set_config read the whole blob (%llu bytes left)",
          static_cast<unsigned long long>(blob_reader_left()));
    bytes_free(blob);
    session.client->get_config(open_blob_writer(), abort_token());
    check_blob("after set_config", blob_written(), configured);
    session.client->services_init(true);
}

int run() {
    guard_process(100000);
    HostSession session = {};
    service_ptr_t<service_base> held[3];
    bool listening = false;
    if (load(session) && walk_services(session, held)) {
        exchange_config(session);
        step("4. the ghost's SSTP listener on 127.0.0.1:9801");
        listening = check(listener_start(), "listening on 127.0.0.1:9801");
        if (listening) {
            start_host(session);
            play_track();
            use_page(session);
            quit_host(session);
        }
    }
    if (session.module != nullptr) {
        step("11. FreeLibrary");
        for (service_ptr_t<service_base>& service : held)
            service.release();
        check(FreeLibrary(session.module) != 0, "FreeLibrary foo_lumivox.dll");
    }
    if (listening)
        listener_stop();
    return finish();
}

} // namespace
} // namespace abi

extern "C" void __cdecl mainCRTStartup() {
    ExitProcess(static_cast<UINT>(abi::run()));
}
