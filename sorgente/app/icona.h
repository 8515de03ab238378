#pragma once

#include <QIcon>

namespace custodex {

// Makes the pictures compiled into the library (icons, button pictures, the tree's images)
// reachable under ":/"; a static link would otherwise drop them. Calling it again does no harm.
void caricaRisorse();

// The sides, in pixels, at which the program's icon is drawn; the same bitmaps go into the
// desktop's icon theme when the program is installed.
inline constexpr int latiIcona[] = {16, 32, 48, 64, 128, 256};

// The program's icon, a key with a round grey bow: the main window, the about window and the
// notification area all show this one.
QIcon iconaProgramma();

}  // namespace custodex
