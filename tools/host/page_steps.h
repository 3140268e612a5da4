// The scenario's page steps: the preferences page worked as a user works it,
// and the player's Reset button.
#pragma once

#include "tools/host/scenario.h"
#include "tools/host/session.h"

#include <string>

namespace lumivox::tools {

// "prefs": the page is opened, its controls set in the order given (ID=VALUE;
// shot=FILE pictures it), reset while open when the step has a flag, and
// destroyed, which makes the component store the settings. False with a
// message; a change that fails still closes the page.
bool preferences(HostState& host, const Step& step, std::string& error);

// "reset": the page's reset without opening it.
bool reset(HostState& host, std::string& error);

// The ID of the page's check box with this caption; 0 when it has none. The
// page is opened and closed again to look.
int find_check_box(HostState& host, const std::string& caption, std::string& error);

} // namespace lumivox::tools
