// The preferences page without Win32, as the host works it (the component's
// page on the native lane, component/posix/preferences_page.cpp).
#pragma once

#include "base/host_api.h"

#include <cstdint>

namespace lumivox {

// What a control of the page is, as the host sees it.
enum class PageControlKind : int32_t {
    none, // no control of that ID
    group_box,
    check_box,
    label,
    list,
    picture,
    edit,
};

// The page without Win32, as the host works it: by control ID, the way a
// user would. A user cannot click a disabled check box nor type into a
// read-only edit, and those calls change nothing and answer false, as do
// calls on a control of another kind or an entry the list does not have.
class PageWindow {
  public:
    // The ID of the control at index in tab order (-1 for captions); 0 past
    // the last control.
    virtual int32_t control_id(int32_t index) = 0;
    virtual PageControlKind control_kind(int32_t id) = 0;
    // A check box: toggles it and tells the page of the click.
    virtual bool click(int32_t id) = 0;
    // An edit: replaces its text (UTF-8).
    virtual bool type_text(int32_t id, const char* text) = 0;
    // The list: selects the entry at index.
    virtual bool choose_entry(int32_t id, int32_t index) = 0;
    // The text a control shows: its caption, an edit's contents, or the
    // list's selected entry.
    virtual void get_text(int32_t id, HostText* out) = 0;
    virtual bool is_checked(int32_t id) = 0;
    virtual bool is_enabled(int32_t id) = 0;
    virtual bool is_read_only(int32_t id) = 0;
    // The list's selected index, -1 for none.
    virtual int32_t selected_entry(int32_t id) = 0;
    // The host's destruction of the page's window. A page made by create
    // page stores the settings then; an instance's page stores only on apply.
    virtual void destroy() = 0;

  protected:
    ~PageWindow() = default;
};

} // namespace lumivox
