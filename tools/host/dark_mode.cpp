// The player's dark-mode service as a recorder: it draws nothing, and keeps
// what the component asked for and the references it holds.
#include "tools/host/page_driver.h"

namespace lumivox::tools {

namespace {

bool available = true;
int references = 0;
std::vector<DarkModeCall> calls;

class DarkModeObject final : public core_dark_mode_obj {
  public:
    int service_release() override {
        --references;
        int left = --own_;
        if (left == 0)
            delete this;
        return left;
    }
    int service_add_ref() override {
        ++references;
        return ++own_;
    }
    bool service_query(service_base**, const guid&) override { return false; }
    void addCtrlAuto(window_handle control) override { calls.push_back({"addCtrlAuto", control}); }
    void addDialog(window_handle dialog) override { calls.push_back({"addDialog", dialog}); }
    void addControls(window_handle window) override { calls.push_back({"addControls", window}); }
    void setDarkMode(bool dark) override {
        calls.push_back({dark ? "setDarkMode(true)" : "setDarkMode(false)", nullptr});
    }
    bool isDark() override { return false; }

  private:
    ~DarkModeObject() = default;
    int own_ = 0;
};

class DarkMode final : public core_dark_mode {
  public:
    int service_release() override { return --references; }
    int service_add_ref() override { return ++references; }
    bool service_query(service_base**, const guid&) override { return false; }
    // result is the caller's storage: the object goes there with the
    // caller's reference.
    core_dark_mode_obj** create(core_dark_mode_obj** result, bool dark) override {
        calls.push_back({dark ? "create(true)" : "create(false)", nullptr});
        return made(result);
    }
    core_dark_mode_obj** createAuto(core_dark_mode_obj** result) override {
        calls.push_back({"createAuto", nullptr});
        return made(result);
    }

  private:
    static core_dark_mode_obj** made(core_dark_mode_obj** result) {
        auto* object = new DarkModeObject();
        object->service_add_ref();
        *result = object;
        return result;
    }
} service;

} // namespace

core_dark_mode* dark_mode_service() {
    return &service;
}

void set_dark_mode_available(bool on) {
    available = on;
}

bool dark_mode_available() {
    return available;
}

std::vector<DarkModeCall> take_dark_mode_calls() {
    std::vector<DarkModeCall> taken;
    taken.swap(calls);
    return taken;
}

int dark_mode_references() {
    return references;
}

} // namespace lumivox::tools
