// Shows what the ghost says in the terminal, the way its balloons would.
#pragma once

#include <string>
#include <vector>

namespace lumivox::ghost {

// Starts the thread that shows scripts; a new script interrupts the one
// being shown, as a ghost's new script does.
void balloon_start(const std::string& name);
void balloon_show(const std::string& script);
void balloon_stop();

// The text the script shows, with its waits: each element is either text
// for a scope's line or a wait. Exposed for tests of the rendering.
struct BalloonPiece {
    int scope;        // 0 or 1; -1 for a wait
    std::string text; // text to show ("\n" starts a new line of the scope)
    int wait_ms;      // for a wait
};
std::vector<BalloonPiece> render_script(const std::string& script);

} // namespace lumivox::ghost
