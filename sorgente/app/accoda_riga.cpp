#include "app/accoda_riga.h"

#include <QTreeView>
#include <cstring>

// The view's rows as Qt 6.4 keeps them, and its layout as seen there; another Qt lays out.
#if CUSTODEX_VISTA_PRIVATA && QT_VERSION >= QT_VERSION_CHECK(6, 4, 0) && \
    QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
#define CUSTODEX_RIGHE_PRIVATE 1
#include <QtWidgets/private/qtreeview_p.h>
#endif

namespace custodex {

bool accodaRigaInCima(QTreeView& vista, const QModelIndex& padre, int primo, int ultimo) {
#if CUSTODEX_RIGHE_PRIVATE
  // Its private data is laid out as in the headers of the Qt built against, and only that.
  static const bool stessoQt = std::strcmp(qVersion(), QT_VERSION_STR) == 0;
  auto* d = static_cast<QTreeViewPrivate*>(QObjectPrivate::get(&vista));
  QList<QTreeViewItem>& righe = d->viewItems;
  if (!stessoQt || d->delayedPendingLayout || padre.isValid() || d->root.isValid() ||
      primo != ultimo || righe.isEmpty() || !d->hiddenIndexes.isEmpty())
    return false;
  QAbstractItemModel& modello = *vista.model();
  if (ultimo != modello.rowCount() - 1) return false;
  const QModelIndex nuova = modello.index(ultimo, 0);

  // Not expanded: the view keeps no expansion for a row that did not exist.
  QTreeViewItem riga;
  riga.index = nuova;
  riga.spanning = vista.isFirstColumnSpanned(ultimo, padre);
  riga.hasChildren = d->hasVisibleChildren(nuova);
  // The last shown row belongs to the top-level row that now has one after it, if it is not
  // that row itself.
  int precedente = static_cast<int>(righe.size()) - 1;
  while (righe[precedente].parentItem >= 0) precedente = righe[precedente].parentItem;
  righe.append(riga);
  righe[precedente].hasMoreSiblings = true;
  // Rows added under it next are looked for from here, not from the top of the list.
  d->lastViewedItem = static_cast<int>(righe.size()) - 1;
  return true;
#else
  Q_UNUSED(vista);
  Q_UNUSED(padre);
  Q_UNUSED(primo);
  Q_UNUSED(ultimo);
  return false;
#endif
}

}  // namespace custodex
