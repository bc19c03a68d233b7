#pragma once
// Finding another program's top-level window by its title and bringing it
// forward. On X11: the window manager's client list when there is one, else
// the root window's children (as under a bare X server).

#include <QString>
#include <cstdint>

namespace platform {

// The top-level window whose title is exactly `title`, or 0 when there is
// none or no X display can be reached.
std::uint32_t findTopLevelWindow(const QString &title);

// Shows the window in its normal size (maps it, asks the window manager to
// restore it) and raises it above its siblings. False when no display.
bool showNormalAndRaise(std::uint32_t window);

} // namespace platform
