#include "tools/host/module.h"

#ifdef _WIN32
#include "tools/common/wide_text.h"

#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace lumivox::tools {

namespace {

#ifdef _WIN32
std::string last_error() {
    return "Windows error " + std::to_string(GetLastError());
}
#endif

void* open_module(const std::string& path, std::string& error) {
#ifdef _WIN32
    HMODULE module = LoadLibraryW(widen(path).c_str());
    if (module == nullptr)
        error = last_error();
    return reinterpret_cast<void*>(module);
#else
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
        error = dlerror();
    return module;
#endif
}

void* module_symbol(void* module, const char* name) {
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
#else
    return dlsym(module, name);
#endif
}

void close_module(void* module) {
#ifdef _WIN32
    FreeLibrary(static_cast<HMODULE>(module));
#else
    dlclose(module);
#endif
}

} // namespace

bool load_component(const std::string& path, foobar2000_api* api, LoadedModule& out,
                    std::string& error) {
    std::string why;
    void* module = open_module(path, why);
    if (module == nullptr) {
        error = "cannot load the component module \"" + path + "\": " + why;
        return false;
    }
    auto entry =
        reinterpret_cast<get_interface_function>(module_symbol(module, get_interface_name));
    if (entry == nullptr) {
        close_module(module);
        error = "\"" + path + "\" is not a component: it does not export " + get_interface_name;
        return false;
    }
    out.handle = module;
    out.client = entry(api, module);
    if (out.client == nullptr) {
        close_module(module);
        error = "\"" + path + "\": " + get_interface_name + " answered no client";
        return false;
    }
    return true;
}

void unload_component(LoadedModule& module) {
    if (module.handle != nullptr)
        close_module(module.handle);
    module = LoadedModule{};
}

service_base* obtain_service(foobar2000_client* client, const guid& class_id) {
    for (service_factory_base* entry = client->get_service_list(); entry != nullptr;
         entry = entry->next) {
        if (entry->class_guid != nullptr && *entry->class_guid == class_id) {
            service_base* service = nullptr;
            entry->instance_create(&service);
            return service;
        }
    }
    return nullptr;
}

std::string default_component_path(const char* argv0) {
    std::string self = argv0;
    size_t slash = self.find_last_of("/\\");
    std::string folder = slash == std::string::npos ? std::string(".") : self.substr(0, slash);
#ifdef _WIN32
    return folder + "\\foo_lumivox.dll";
#else
    return folder + "/foo_lumivox.so";
#endif
}

} // namespace lumivox::tools
