#pragma once

// The names the desktop knows Ondrix by. The desktop entry's name ties the window to the entry's
// icon and name: on Wayland the dock and the task switcher find it by this name alone.
namespace DesktopIdentity {

inline constexpr auto DesktopFileName = "example.ondrix.Ondrix";

// Names the application and its desktop entry; before the first window is made.
void apply();

} // namespace DesktopIdentity
