#pragma once

#include <QIcon>

namespace adreca::app {

// The program's icon at every size rendered from its SVG at build time, from
// the resources built into the program. Set on the application, it becomes
// every window's own icon (_NET_WM_ICON on X11), also where the desktop has
// no installed icon theme entry for the program.
QIcon ApplicationIcon();

}  // namespace adreca::app
