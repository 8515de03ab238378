#include "app/vista_elenco.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <utility>

#include "app/accoda_riga.h"

namespace custodex {

VistaElenco::VistaElenco(ModelloElenco& modello, QWidget* parent)
    : QTreeView(parent), modello_(modello) {
  setHeaderHidden(true);
  setUniformRowHeights(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setIconSize(QSize(16, 16));
  // A row leaves the view only as "Copia Valore" copies it: the value alone, marked as a secret
  // and taken back later. Dragging it away or a menu's copy would hand out the whole text.
  setDragEnabled(false);
  setDragDropMode(QAbstractItemView::NoDragDrop);
  setContextMenuPolicy(Qt::NoContextMenu);
  setModel(&modello_);
  // A double-click opens the entry's dialog; opening or closing the entry too would change what
  // the user is looking at.
  setExpandsOnDoubleClick(false);
  connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& indice) {
    if (indice.isValid()) emit modificaRichiesta();
  });

  connect(&modello_, &ModelloElenco::espansioneRichiesta, this, &VistaElenco::mostraEspansione);
  connect(&modello_, &ModelloElenco::selezioneRichiesta, this, &VistaElenco::mostraSelezione);
  connect(&modello_, &QAbstractItemModel::modelReset, this, &VistaElenco::dopoRipristino);
  connect(this, &QTreeView::expanded, this, [this](const QModelIndex& i) {
    if (Nodo* n = modello_.nodoDi(i)) modello_.albero().setExpanded(n, true);
  });
  connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& i) {
    if (Nodo* n = modello_.nodoDi(i)) modello_.albero().setExpanded(n, false);
  });
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &VistaElenco::selezioneCambiata);
}

void VistaElenco::keyPressEvent(QKeyEvent* evento) {
  // The view's own copy would put the row's text on the clipboard unmarked, for good.
  const bool ctrlIns =
      evento->key() == Qt::Key_Insert && evento->modifiers() == Qt::ControlModifier;
  if (evento->matches(QKeySequence::Copy) || ctrlIns) {
    evento->accept();
    emit copiaRichiesta();
    return;
  }
  const bool invio = evento->key() == Qt::Key_Return || evento->key() == Qt::Key_Enter;
  if (invio && (evento->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    evento->accept();
    // Held down, it opens one dialog, not one for each repeat.
    if (!evento->isAutoRepeat() && currentIndex().isValid()) emit modificaRichiesta();
    return;
  }
  QTreeView::keyPressEvent(evento);
}

void VistaElenco::rowsInserted(const QModelIndex& padre, int primo, int ultimo) {
  // An entry added at the end of the list, the common case, costs the same in a list of any size;
  // any other change takes Qt's way, which lays out the whole list again on the next pass.
  if (!accodaRigaInCima(*this, padre, primo, ultimo)) {
    QTreeView::rowsInserted(padre, primo, ultimo);
    return;
  }
  QAbstractItemView::rowsInserted(padre, primo, ultimo);
  // What the full layout does after it, once for all the rows added in one pass (an import adds
  // thousands): the scroll bar takes in the new rows, and they show.
  if (std::exchange(geometrieInAttesa_, true)) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        geometrieInAttesa_ = false;
        updateGeometries();
        viewport()->update();
      },
      Qt::QueuedConnection);
}

void VistaElenco::mostraEspansione(const QModelIndex& indice, bool espanso) {
  setExpanded(indice, espanso);
}

void VistaElenco::mostraSelezione(const QModelIndex& indice) {
  if (sincronizzando_) return;
  sincronizzando_ = true;
  if (indice.isValid()) {
    selectionModel()->setCurrentIndex(indice, QItemSelectionModel::ClearAndSelect);
    scrollTo(indice);
  } else {
    selectionModel()->clearSelection();
  }
  sincronizzando_ = false;
}

void VistaElenco::selezioneCambiata() {
  if (sincronizzando_) return;
  sincronizzando_ = true;
  const QModelIndexList scelti = selectionModel()->selectedIndexes();
  Albero& albero = modello_.albero();
  if (!scelti.isEmpty())
    albero.setSelectedItem(modello_.nodoDi(scelti.front()));
  else if (Nodo* prima = albero.SelectedItem())
    albero.setSelected(prima, false);
  sincronizzando_ = false;
}

void VistaElenco::dopoRipristino() {
  // A bulk change is announced once: show the expansions and the selection it left.
  Albero& albero = modello_.albero();
  for (Nodo* n : albero.Nodes())
    if (albero.Expanded(n)) setExpanded(modello_.indiceDi(n), true);
  mostraSelezione(modello_.indiceDi(albero.SelectedItem()));
}

}  // namespace custodex
