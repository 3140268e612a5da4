#include "tools/host/page_steps.h"

#include "tools/host/page_driver.h"
#include "tools/host/trace.h"

#include <cstdlib>

namespace lumivox::tools {

namespace {

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string describe(const ControlState& s) {
    switch (s.kind) {
    case PageControlKind::check_box:
        return std::string("check box, ") + (s.checked ? "checked" : "unchecked") +
               (s.enabled ? "" : ", disabled");
    case PageControlKind::edit:
        return std::string("edit, ") + (s.read_only ? "read-only" : "writable") +
               (s.enabled ? "" : ", disabled") + ", " + quoted(s.text);
    case PageControlKind::list:
        return "list, entry " + std::to_string(s.selection) + " " + quoted(s.text);
    case PageControlKind::label:
        return "label " + quoted(s.text);
    case PageControlKind::picture:
        return "picture";
    case PageControlKind::group_box:
        return "group " + quoted(s.text);
    case PageControlKind::none:
        break;
    }
    return "unknown";
}

void trace_page(const std::string& when) {
    for (int id : page_control_ids())
        trace("page at " + when + " " + std::to_string(id) + ": " + describe(control_state(id)));
}

// One change, as a user makes it: a check box is clicked only when it does
// not already show the wanted state.
bool change_control(int id, const std::string& value, std::string& error) {
    std::string name = std::to_string(id);
    ControlState state = control_state(id);
    switch (state.kind) {
    case PageControlKind::check_box: {
        if (value != "0" && value != "1") {
            error = "check box " + name + " takes 0 or 1, not " + quoted(value);
            return false;
        }
        if (state.checked == (value == "1"))
            return true;
        if (!click_check_box(id)) {
            error = "check box " + name + " is disabled";
            return false;
        }
        trace("click " + name);
        return true;
    }
    case PageControlKind::edit:
        if (!type_text(id, value)) {
            error = "edit " + name + " is read-only";
            return false;
        }
        trace("type into " + name + ": " + quoted(value));
        return true;
    case PageControlKind::list: {
        char* end = nullptr;
        long index = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || index < 0 || index > 1000 ||
            !choose_entry(id, static_cast<int>(index))) {
            error = "list " + name + " has no entry " + quoted(value);
            return false;
        }
        trace("choose entry " + value + " of " + name);
        return true;
    }
    case PageControlKind::none:
        error = "the preferences page has no control " + name;
        return false;
    default:
        error = "control " + name + " of the preferences page cannot be changed";
        return false;
    }
}

preferences_page* page_service(HostState& host, std::string& error) {
    auto* service =
        static_cast<preferences_page*>(obtain_service(host.module.client, preferences_page_class));
    if (service == nullptr)
        error = "the component has no preferences page";
    return service;
}

} // namespace

// The page is opened, changed in the order given, optionally reset while
// open and pictured, and destroyed by the host, which makes the page store
// the settings. A change that fails still closes the page, as closing the
// host's preferences window would.
bool preferences(HostState& host, const Step& step, std::string& error) {
    preferences_page* service = page_service(host, error);
    if (service == nullptr)
        return false;
    if (!open_page(service, error)) {
        service->service_release();
        return false;
    }
    trace("preferences page opened");
    trace_page("open");
    bool ok = true;
    std::string picture;
    for (const auto& [name, value] : step.named) {
        if (name == "shot") {
            picture = value;
            continue;
        }
        if (!change_control(std::atoi(name.c_str()), value, error)) {
            ok = false;
            break;
        }
    }
    if (ok && !step.flags.empty()) {
        trace("reset while the page is open");
        service->reset();
    }
    if (ok && !picture.empty()) {
        ok = capture_page(picture, error);
        if (ok)
            trace("picture of the page written to " + picture);
    }
    trace_page("close");
    close_page();
    trace("preferences page destroyed");
    service->service_release();
    return ok;
}

bool reset(HostState& host, std::string& error) {
    preferences_page* service = page_service(host, error);
    if (service == nullptr)
        return false;
    trace("reset");
    service->reset();
    service->service_release();
    return true;
}

int find_check_box(HostState& host, const std::string& caption, std::string& error) {
    preferences_page* service = page_service(host, error);
    if (service == nullptr)
        return 0;
    if (!open_page(service, error)) {
        service->service_release();
        return 0;
    }
    int found = 0;
    for (int id : page_control_ids()) {
        ControlState state = control_state(id);
        if (found == 0 && state.kind == PageControlKind::check_box && state.text == caption)
            found = id;
    }
    close_page();
    service->service_release();
    if (found == 0)
        error = "the preferences page has no check box \"" + caption + "\"";
    return found;
}

} // namespace lumivox::tools
