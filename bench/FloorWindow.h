// The start-up floor: what showing the main window costs in Qt itself, with nothing of Ondrix.
#pragma once

class QMainWindow;

// Gives `window` the main window's widgets, texts, fonts, pictures and geometry as they stand
// once it is shown, using Qt's own classes and no logic: no client, no server list, no sockets,
// no accessibility of our own.
void buildFloorWindow(QMainWindow &window);
