#pragma once

#include <QFont>
#include <QRect>

// What the program's two windows share of their look: the layout unit and the default font.

namespace custodex {

// The layout is drawn in twips; at 96 dots per inch a logical pixel is 15 of them.
int px(int twip);
QRect twip(int left, int top, int width, int height);

// The windows' own font, which every control without a font of its own uses. Every attribute is
// set, so that a control given it inherits nothing from a frame's caption font.
QFont fontFinestra();

}  // namespace custodex
