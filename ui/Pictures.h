#pragma once

#include <QIcon>

namespace Pictures {

// The program's icon at 16 and 32 pixels, with their @2x renderings on a screen scaled above 100 %.
QIcon programIcon();
// The main window's picture, 111 x 93, likewise.
QIcon windowPicture();

} // namespace Pictures
