// The application's icon, com.corvane.Pixoria: the window icon of every window it opens.
#pragma once

#include <QIcon>

namespace pixoria::app {

// The drawing rendered at each size the icon theme installs (16 to 256 pixels), from the
// compiled resources, so a window manager picks the size it shows without scaling.
QIcon applicationIcon();

// The desktop entry's id, which Wayland compositors match against the running program.
inline constexpr const char* kDesktopEntryId = "com.corvane.Pixoria";

}  // namespace pixoria::app
