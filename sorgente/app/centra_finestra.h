#pragma once

class QWidget;

namespace custodex {

// Centres a top-level window's frame on the available area of its screen. Call it before the
// window is first shown: the frame is known only once the window manager has framed the shown
// window, so the window is centred again then, once.
void centraFinestra(QWidget& finestra);

}  // namespace custodex
