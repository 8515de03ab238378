#include "list/modello_elenco.h"

#include <QStringList>
#include <algorithm>

namespace custodex {

namespace {

// The node's text as a tip that stays on the screen: wrapped at a readable width, at a space
// where one comes late enough in the line, and cut with an ellipsis past a few lines. Shown as
// written, even when a value looks like markup.
QString suggerimento(const QString& testo) {
  constexpr qsizetype larghezza = 64;
  constexpr qsizetype righeMassime = 8;
  QStringList righe;
  bool tagliato = false;
  for (QStringView riga : QStringView(testo).split(u'\n')) {
    do {
      if (righe.size() == righeMassime) {
        tagliato = true;
        break;
      }
      qsizetype fine = std::min(riga.size(), larghezza);
      if (fine < riga.size()) {
        const qsizetype spazio = riga.first(fine).lastIndexOf(u' ');
        if (spazio >= larghezza / 2) fine = spazio + 1;
      }
      righe << riga.first(fine).toString();
      riga = riga.sliced(fine);
    } while (!riga.isEmpty());
    if (tagliato) break;
  }
  QString testoTip = righe.join(u'\n');
  if (tagliato) testoTip += u'\u2026';
  return QStringLiteral("<p style='white-space:pre'>") + testoTip.toHtmlEscaped() +
         QStringLiteral("</p>");
}

}  // namespace

ModelloElenco::ModelloElenco(Albero& albero, QObject* parent)
    : QAbstractItemModel(parent), albero_(albero) {
  albero_.impostaOsservatore(this);
}

ModelloElenco::~ModelloElenco() {
  albero_.impostaOsservatore(nullptr);
}

QModelIndex ModelloElenco::indiceDi(const Nodo* nodo) const {
  if (!nodo) return {};
  return createIndex(nodo->riga, 0, const_cast<Nodo*>(nodo));
}

Nodo* ModelloElenco::nodoDi(const QModelIndex& indice) const {
  return indice.isValid() ? static_cast<Nodo*>(indice.internalPointer()) : nullptr;
}

QModelIndex ModelloElenco::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  const auto& figli = albero_.figli(nodoDi(parent));
  if (static_cast<std::size_t>(row) >= figli.size()) return {};
  return createIndex(row, 0, figli[static_cast<std::size_t>(row)]);
}

QModelIndex ModelloElenco::parent(const QModelIndex& child) const {
  const Nodo* n = nodoDi(child);
  return n ? indiceDi(n->padre) : QModelIndex();
}

int ModelloElenco::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  return static_cast<int>(albero_.figli(nodoDi(parent)).size());
}

int ModelloElenco::columnCount(const QModelIndex&) const {
  return 1;
}

// The view asks these of every row it lays out, and a layout of the whole list follows every
// entry added or removed at the top level: Qt's defaults go through parent() and rowCount() of
// the parent to check the index first, at several times the cost of the answer.
bool ModelloElenco::hasChildren(const QModelIndex& parent) const {
  if (parent.column() > 0) return false;
  return !albero_.figli(nodoDi(parent)).empty();
}

Qt::ItemFlags ModelloElenco::flags(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return Qt::NoItemFlags;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

QIcon ModelloElenco::icona(Immagine immagine) const {
  if (!immagine || *immagine < 1 || *immagine > listaimg_.size()) return {};
  return listaimg_[*immagine - 1];
}

QVariant ModelloElenco::data(const QModelIndex& index, int role) const {
  const Nodo* n = nodoDi(index);
  if (!n) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      return n->testo.testo();
    case Qt::ToolTipRole:
      return suggerimento(n->testo.testo());
    case Qt::DecorationRole: {
      // The picture follows the node's state: selected first, then expanded, then normal.
      if (albero_.SelectedItem() == n && n->immagineSelezionata)
        return icona(n->immagineSelezionata);
      if (n->espanso && n->immagineEspansa) return icona(n->immagineEspansa);
      return icona(n->immagine);
    }
    default:
      return {};
  }
}

void ModelloElenco::primaDiAggiungere(Nodo* padre, int riga) {
  beginInsertRows(indiceDi(padre), riga, riga);
}

void ModelloElenco::dopoAggiunto() {
  endInsertRows();
}

void ModelloElenco::primaDiRimuovere(Nodo* padre, int riga) {
  beginRemoveRows(indiceDi(padre), riga, riga);
}

void ModelloElenco::dopoRimosso() {
  endRemoveRows();
}

void ModelloElenco::inizioBlocco() {
  beginResetModel();
}

void ModelloElenco::fineBlocco() {
  endResetModel();
}

void ModelloElenco::nodoCambiato(Nodo* nodo) {
  const QModelIndex i = indiceDi(nodo);
  emit dataChanged(i, i);
}

void ModelloElenco::espansioneCambiata(Nodo* nodo) {
  nodoCambiato(nodo);
  emit espansioneRichiesta(indiceDi(nodo), nodo->espanso);
}

void ModelloElenco::selezioneCambiata(Nodo* nodo) {
  if (nodo) nodoCambiato(nodo);
  emit selezioneRichiesta(indiceDi(nodo));
}

}  // namespace custodex
