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

// What the page answers to get_state, and how often it said that may have
// changed since the last look.
void trace_state(int& notifications) {
    uint32_t state = page_state();
    std::string flags = (state & preferences_state_changed) != 0 ? "changed" : "unchanged";
    if ((state & preferences_state_resettable) != 0)
        flags += ", resettable";
    if ((state & preferences_state_dark_mode_supported) != 0)
        flags += ", dark mode supported";
    int now = state_notifications();
    trace("page state: " + flags + " (" + std::to_string(now - notifications) +
          " on_state_changed)");
    notifications = now;
}

void trace_dark_mode() {
    for (const DarkModeCall& call : take_dark_mode_calls()) {
        std::string window = call.window == nullptr         ? ""
                             : call.window == page_window() ? "(the page)"
                                                            : "(another window)";
        trace("dark mode: " + call.name + window);
    }
}

// One word of the step, with the page open; the closing words are the
// caller's.
bool page_word(const std::string& word, int& notifications, std::string& error) {
    size_t eq = word.find('=');
    if (eq == std::string::npos) {
        if (word == "apply") {
            trace("apply");
            apply_page();
        } else if (word == "reset") {
            trace("reset page: the defaults shown");
            reset_page();
        } else {
            return true;
        }
        trace_state(notifications);
        return true;
    }
    std::string name = word.substr(0, eq);
    std::string value = word.substr(eq + 1);
    if (name == "shot") {
        if (!capture_page(value, error))
            return false;
        trace("picture of the page written to " + value);
        return true;
    }
    if (!change_control(std::atoi(name.c_str()), value, error))
        return false;
    trace_state(notifications);
    return true;
}

} // namespace

// The page is opened as the player opens it, worked word by word (changes,
// apply, reset, pictures) and closed with OK (apply, then destroy) unless the
// step ends with cancel (destroy alone). A word that fails closes the page
// as Cancel does.
bool preferences(HostState& host, const Step& step, std::string& error) {
    preferences_page* service = page_service(host, error);
    if (service == nullptr)
        return false;
    take_dark_mode_calls();
    if (!open_page(service, error)) {
        service->service_release();
        return false;
    }
    trace("preferences page opened");
    trace_dark_mode();
    trace_page("open");
    int notifications = 0;
    trace_state(notifications);
    bool ok = true;
    for (const std::string& word : step.words) {
        if (!page_word(word, notifications, error)) {
            ok = false;
            break;
        }
    }
    trace_page("close");
    if (ok && (step.words.empty() || step.words.back() != "cancel")) {
        trace("ok");
        apply_page();
    } else {
        trace("cancel");
    }
    close_page();
    trace("preferences page destroyed");
    trace_dark_mode();
    service->service_release();
    ClosedPage closed = last_closed_page();
    std::string kept;
    if (closed.instance_release != 0)
        kept = "its instance (" + std::to_string(closed.instance_release) + " references)";
    else if (closed.callback_references != 0)
        kept =
            "the host's callback (" + std::to_string(closed.callback_references) + " references)";
    else if (dark_mode_references() != 0)
        kept = "its dark mode (" + std::to_string(dark_mode_references()) + " references)";
    if (ok && !kept.empty()) {
        error = "the destroyed and released page kept " + kept;
        ok = false;
    }
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
