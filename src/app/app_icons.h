#pragma once
// The program's pictures: its icon (one SVG, also installed as the desktop
// icon) and the magnifiers of the zoom buttons.

#include <QIcon>

namespace q9::app {

// The window icon, drawn from the program's SVG at the usual icon sizes.
QIcon AppIcon();
// The icon theme's zoom-in or zoom-out icon; where the theme has none, a
// magnifier with a plus or a minus.
QIcon ZoomIcon(bool zoomIn);

}  // namespace q9::app
