// The built component module, reached the way the player reaches it: loaded
// as a library, entered through its one export, and used only through the
// player's own declarations of the operation tables it answers.
#include "tools/host/player_api.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace lumivox {
namespace {

using namespace tools;

class Text final : public string_base {
  public:
    void add_string(const char* text, size_t max) override {
        for (size_t i = 0; i < max && text[i] != '\0'; ++i)
            value += text[i];
    }
    const char* get_ptr() override { return value.c_str(); }
    void set_string(const char* text, size_t max) override {
        value.clear();
        add_string(text, max);
    }
    void truncate(size_t n) override {
        if (value.size() > n)
            value.resize(n);
    }
    size_t get_length() override { return value.size(); }
    char* lock_buffer(size_t n) override {
        value.resize(n);
        return value.data();
    }
    void unlock_buffer() override { value.resize(std::string(value.c_str()).size()); }
    std::string value;
};

// The module beside this test program.
std::string module_path() {
#ifdef _WIN32
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    return path.substr(0, path.find_last_of("\\/") + 1) + "foo_lumivox.dll";
#else
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? static_cast<size_t>(n) : 0);
    return path.substr(0, path.find_last_of('/') + 1) + "foo_lumivox.so";
#endif
}

class Module : public testing::Test {
  protected:
    void SetUp() override {
#ifdef _WIN32
        handle_ = LoadLibraryA(module_path().c_str());
        ASSERT_NE(handle_, nullptr);
        entry_ = reinterpret_cast<get_interface_function>(
            reinterpret_cast<void*>(GetProcAddress(handle_, get_interface_name)));
#else
        handle_ = dlopen(module_path().c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        entry_ = reinterpret_cast<get_interface_function>(dlsym(handle_, get_interface_name));
#endif
        ASSERT_NE(entry_, nullptr);
        client_ = entry_(nullptr, handle_);
        ASSERT_NE(client_, nullptr);
    }
    void TearDown() override {
#ifdef _WIN32
        if (handle_ != nullptr)
            FreeLibrary(handle_);
#else
        if (handle_ != nullptr)
            dlclose(handle_);
#endif
    }

    service_base* service(const guid& id) {
        for (service_factory_base* e = client_->get_service_list(); e != nullptr; e = e->next) {
            if (*e->class_guid == id) {
                service_base* s = nullptr;
                e->instance_create(&s);
                return s;
            }
        }
        return nullptr;
    }

#ifdef _WIN32
    HMODULE handle_ = nullptr;
#else
    void* handle_ = nullptr;
#endif
    get_interface_function entry_ = nullptr;
    foobar2000_client* client_ = nullptr;
};

TEST_F(Module, ClientAnswersAsTheHostExpects) {
    // The x64 player refuses anything below 80; x86 serves from 72 on.
    EXPECT_EQ(client_->get_version(), sizeof(void*) == 8 ? 80u : 72u);
    EXPECT_FALSE(client_->is_debug());
    client_->services_init(true);
    // A second entry with other arguments answers the same client.
    int other = 0;
    EXPECT_EQ(entry_(nullptr, &other), client_);
}

TEST_F(Module, ServiceListHoldsThreeEntriesInOrder) {
    std::vector<const guid*> found;
    for (service_factory_base* e = client_->get_service_list(); e != nullptr; e = e->next)
        found.push_back(e->class_guid);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(*found[0], preferences_page_class);
    EXPECT_EQ(*found[1], initquit_class);
    EXPECT_EQ(*found[2], componentversion_class);
}

TEST_F(Module, ServicesAreStaticObjectsThatCountNoReferences) {
    for (const guid* id : {&preferences_page_class, &initquit_class, &componentversion_class}) {
        service_base* first = service(*id);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(service(*id), first);
        EXPECT_EQ(first->service_add_ref(), 1);
        EXPECT_EQ(first->service_release(), 1);
        EXPECT_EQ(first->service_release(), 1);
        // The output comes first and is left as it was.
        service_base* untouched = first;
        EXPECT_FALSE(first->service_query(&untouched, *id));
        EXPECT_EQ(untouched, first);
    }
}

TEST_F(Module, VersionServiceReportsItsTextsAndTheLibraryName) {
    auto* version = static_cast<componentversion*>(service(componentversion_class));
    ASSERT_NE(version, nullptr);
    Text text;
    version->get_component_name(text);
    EXPECT_EQ(text.value, "Lumivox");
    version->get_component_version(text);
    EXPECT_EQ(text.value, "0.2.2");
    version->get_about_message(text);
    EXPECT_NE(text.value.find("Lumivox"), std::string::npos);
    version->get_file_name(text);
    EXPECT_EQ(text.value, "");
    client_->set_library_path("first", "C:\\player\\components\\foo_lumivox.dll");
    version->get_file_name(text);
    EXPECT_EQ(text.value, "C:\\player\\components\\foo_lumivox.dll");
    client_->set_library_path("x", "later");
    version->get_file_name(text);
    EXPECT_EQ(text.value, "later");
}

// GUIDs come back by value: through the caller's result pointer, which is
// also the answer.
TEST_F(Module, PreferencesPageAnswersItsGuidsByValue) {
    auto* page = static_cast<preferences_page*>(service(preferences_page_class));
    ASSERT_NE(page, nullptr);
    const guid page_id = {
        0xD449F281, 0xEFF4, 0x4C92, {0xB0, 0x9D, 0x68, 0xC1, 0x6D, 0x9A, 0xF6, 0x12}};
    const guid tools_page = {
        0x627C0767, 0x0793, 0x44F8, {0x80, 0x87, 0xBE, 0x49, 0x34, 0x31, 0x12, 0x82}};
    guid result = {};
    EXPECT_EQ(page->get_guid(&result), &result);
    EXPECT_EQ(result, page_id);
    EXPECT_EQ(page->get_parent_guid(&result), &result);
    EXPECT_EQ(result, tools_page);
    EXPECT_STREQ(page->get_name(), "Lumivox");
    EXPECT_TRUE(page->reset_query());
}

} // namespace
} // namespace lumivox
