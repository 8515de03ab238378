#pragma once

#include <QIcon>

namespace custodex {

// The program's icon, a key with a round grey bow: the main window, the about window and the
// notification area all show this one.
QIcon iconaProgramma();

}  // namespace custodex
