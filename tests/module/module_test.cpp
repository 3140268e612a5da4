// The built component module, reached the way the host reaches it: loaded as
// a library, entered through its one export, and used only through the
// operation tables it answers.
#include "component/service_api.h"

#include <gtest/gtest.h>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace lumivox {
namespace {

class Text final : public HostText {
  public:
    void append(const char* text, uint32_t max) override {
        for (uint32_t i = 0; i < max && text[i] != '\0'; ++i)
            value += text[i];
    }
    const char* get() override { return value.c_str(); }
    void set(const char* text, uint32_t max) override {
        value.clear();
        append(text, max);
    }
    void truncate(uint32_t n) override {
        if (value.size() > n)
            value.resize(n);
    }
    uint32_t length() override { return static_cast<uint32_t>(value.size()); }
    char* lock_buffer(uint32_t n) override {
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
        entry_ = reinterpret_cast<GetInterfaceFn>(
            reinterpret_cast<void*>(GetProcAddress(handle_, entry_point_name)));
#else
        handle_ = dlopen(module_path().c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        entry_ = reinterpret_cast<GetInterfaceFn>(dlsym(handle_, entry_point_name));
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

    ServiceBase* service(const Guid& id) {
        for (ServiceEntry* e = client_->service_list(); e != nullptr; e = e->next) {
            if (*e->class_id == id) {
                ServiceBase* s = nullptr;
                e->obtain_instance(&s);
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
    GetInterfaceFn entry_ = nullptr;
    ComponentClient* client_ = nullptr;
};

TEST_F(Module, ClientAnswersAsTheHostExpects) {
    EXPECT_EQ(client_->interface_version(), 72u);
    EXPECT_FALSE(client_->is_debug_build());
    client_->services_initialised(true);
    // A second entry with other arguments answers the same client.
    int other = 0;
    EXPECT_EQ(entry_(nullptr, &other), client_);
}

TEST_F(Module, ServiceListHoldsThreeEntriesInOrder) {
    std::vector<const Guid*> found;
    for (ServiceEntry* e = client_->service_list(); e != nullptr; e = e->next)
        found.push_back(e->class_id);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(*found[0], preferences_page_class);
    EXPECT_EQ(*found[1], lifecycle_class);
    EXPECT_EQ(*found[2], component_version_class);
}

TEST_F(Module, ServicesAreStaticObjectsThatCountNoReferences) {
    for (const Guid* id : {&preferences_page_class, &lifecycle_class, &component_version_class}) {
        ServiceBase* first = service(*id);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(service(*id), first);
        EXPECT_EQ(first->add_reference(), 1);
        EXPECT_EQ(first->release(), 1);
        EXPECT_EQ(first->release(), 1);
        void* untouched = &untouched;
        EXPECT_FALSE(first->query(*id, &untouched));
        EXPECT_EQ(untouched, &untouched);
    }
}

TEST_F(Module, VersionServiceReportsItsTextsAndTheLibraryName) {
    auto* version = static_cast<ComponentVersionService*>(service(component_version_class));
    ASSERT_NE(version, nullptr);
    Text text;
    version->report_component_name(&text);
    EXPECT_EQ(text.value, "Lumivox");
    version->report_version(&text);
    EXPECT_EQ(text.value, "0.2.2");
    version->report_about_text(&text);
    EXPECT_NE(text.value.find("Lumivox"), std::string::npos);
    version->report_file_name(&text);
    EXPECT_EQ(text.value, "");
    client_->set_library_path("first", "C:\\player\\components\\foo_lumivox.dll");
    version->report_file_name(&text);
    EXPECT_EQ(text.value, "C:\\player\\components\\foo_lumivox.dll");
    client_->set_library_path("x", "later");
    version->report_file_name(&text);
    EXPECT_EQ(text.value, "later");
}

} // namespace
} // namespace lumivox
