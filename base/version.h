// The component's version, the one place it is written: the player shows
// it, the about text and LRCLIB's user agent name it, and the Debian
// package takes it.
#pragma once

namespace lumivox {

inline constexpr char component_version[] = "0.2.2";

} // namespace lumivox
