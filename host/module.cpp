#include "host/module.h"

#ifdef _WIN32
#include "host/common/wide_text.h"

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

bool load_component(const std::string& path, HostApi* api, LoadedModule& out, std::string& error) {
    std::string why;
    void* module = open_module(path, why);
    if (module == nullptr) {
        error = "cannot load the component module \"" + path + "\": " + why;
        return false;
    }
    auto entry = reinterpret_cast<GetInterfaceFn>(module_symbol(module, entry_point_name));
    if (entry == nullptr) {
        close_module(module);
        error = "\"" + path + "\" is not a component: it does not export " + entry_point_name;
        return false;
    }
    out.handle = module;
    out.client = entry(api, module);
    if (out.client == nullptr) {
        close_module(module);
        error = "\"" + path + "\": " + entry_point_name + " answered no client";
        return false;
    }
    return true;
}

void unload_component(LoadedModule& module) {
    if (module.handle != nullptr)
        close_module(module.handle);
    module = LoadedModule{};
}

ServiceBase* obtain_service(ComponentClient* client, const Guid& class_id) {
    for (ServiceEntry* entry = client->service_list(); entry != nullptr; entry = entry->next) {
        if (entry->class_id != nullptr && *entry->class_id == class_id) {
            ServiceBase* service = nullptr;
            entry->obtain_instance(&service);
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
