// Without Win32 the page's window handle points at a table of operations
// through which the host works the page by control ID, as a user would. This
// is the substitute lane's own window system, declared here for the host's
// side of it.
#pragma once

#include "tools/host/player_api.h"

#include <cstdint>

namespace lumivox::tools {

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

// A user cannot click a disabled check box nor type into a read-only edit:
// those calls change nothing and answer false, as do calls on a control of
// another kind or an entry the list does not have.
class PageModel {
  public:
    // The ID of the control at index in tab order (-1 for captions); 0 past
    // the last control.
    virtual int32_t control_id(int32_t index) = 0;
    virtual PageControlKind control_kind(int32_t id) = 0;
    virtual bool click(int32_t id) = 0;
    virtual bool type_text(int32_t id, const char* text) = 0;
    virtual bool choose_entry(int32_t id, int32_t index) = 0;
    // Its caption, an edit's contents, or the list's selected entry.
    virtual void get_text(int32_t id, string_base& out) = 0;
    virtual bool is_checked(int32_t id) = 0;
    virtual bool is_enabled(int32_t id) = 0;
    virtual bool is_read_only(int32_t id) = 0;
    // -1 for none.
    virtual int32_t selected_entry(int32_t id) = 0;
    // The host's destruction of the page.
    virtual void destroy() = 0;

  protected:
    ~PageModel() = default;
};

} // namespace lumivox::tools
