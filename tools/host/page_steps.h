// The scenario's page steps: the preferences page worked as a user works it,
// and the player's Reset button.
#pragma once

#include "tools/host/scenario.h"
#include "tools/host/session.h"

#include <string>

namespace lumivox::tools {

// "prefs": the page is opened as the player opens it and worked word by word
// in the order given: ID=VALUE sets a control as a user would, shot=FILE
// pictures it, "apply" is the player's Apply and "reset" its "Reset page"
// (the defaults shown, nothing stored). Then the page closes with OK (apply,
// then destroy), or with Cancel (destroy alone) when the last word is
// "cancel". False with a message; a word that fails closes the page as
// Cancel does.
bool preferences(HostState& host, const Step& step, std::string& error);

// "reset": the page's reset without opening it.
bool reset(HostState& host, std::string& error);

// The ID of the page's check box with this caption; 0 when it has none. The
// page is opened and cancelled again to look.
int find_check_box(HostState& host, const std::string& caption, std::string& error);

} // namespace lumivox::tools
