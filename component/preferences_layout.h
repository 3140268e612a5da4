// The page's controls as dialog template 101 lays them out, in tab order.
// The resource script draws them on Windows; the page model holds them
// without Win32; tests check each against the other.
#pragma once

#include "component/page_window.h"
#include "component/service_api.h"
#include "resources/control_ids.h"

#include <cstdint>

namespace lumivox {

// Styles beyond a visible child.
enum ControlStyle : uint32_t {
    style_tab_stop = 1,
    style_group = 2,        // starts a group
    style_right = 4,        // right-aligned text
    style_border = 8,       // edits
    style_auto_scroll = 16, // edits scroll horizontally as text is typed
    style_vscroll = 32,     // the list's drop-down
    style_multiline = 64,   // a check box whose caption wraps
};

struct ControlLayout {
    int32_t id; // -1 for the captions and group boxes
    PageControlKind kind;
    const char* caption;
    // In dialog units.
    int32_t x, y, width, height;
    uint32_t style;
};

constexpr int32_t page_width = 332;
constexpr int32_t page_height = 324;
constexpr int page_control_count = 26;

extern const ControlLayout page_layout[page_control_count];

// The resources of the component's module: the dialog and its picture.
constexpr int page_dialog_resource = LUMIVOX_PAGE_DIALOG;
constexpr int page_picture_resource = LUMIVOX_PAGE_PICTURE;
// The picture's canvas; the image is drawn into the left square of it.
constexpr int picture_width = 164;
constexpr int picture_height = 152;

} // namespace lumivox
