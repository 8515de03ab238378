#pragma once

class QScreen;
class QWidget;

namespace custodex {

// Centres a top-level window's frame on the available area of a screen, its own by default, and
// keeps it wholly on that area where it fits. Call it before the window is shown: the frame is
// known only once the window manager has framed the shown window, so the window is centred again
// then, once.
void centraFinestra(QWidget& finestra, QScreen* schermo = nullptr);

}  // namespace custodex
