// The host's dark mode (player 2.0 and newer): while it is on, the host draws
// a window and its controls in its own dark colours.
#pragma once

#include "component/service_api.h"

namespace lumivox {

// Hands the dialog window and every control in it to the host's dark-mode
// service. Answers the object that keeps them drawn so, which the caller
// releases when the window goes; nullptr when the host has no such service.
DarkModeObject* follow_dark_mode(WindowHandle dialog);

} // namespace lumivox
