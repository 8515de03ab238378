#pragma once

#include <QModelIndex>

class QTreeView;

namespace custodex {

// Takes a row just added at the end of the view's top level into the view's own list of shown
// rows, as its full layout would have put it there, and says whether it did. Qt's tree view lays
// out every shown row again for any row added at the top level, which grows with the list; this
// costs the same at any size. It does so only where the result is plainly the same: no layout
// pending, the view's root at the model's root, one row at the end, no hidden rows. Otherwise,
// or when the program runs on a Qt other than the one it was built with, it leaves everything to
// the view and says no.
bool accodaRigaInCima(QTreeView& vista, const QModelIndex& padre, int primo, int ultimo);

}  // namespace custodex
