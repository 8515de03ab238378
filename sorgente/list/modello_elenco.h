#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QList>

#include "list/albero.h"

namespace custodex {

// The thin Qt face of the list tree: it owns no entries, it only shows the node store and
// passes on what changes in it.
class ModelloElenco : public QAbstractItemModel, private Albero::Osservatore {
  Q_OBJECT

 public:
  explicit ModelloElenco(Albero& albero, QObject* parent = nullptr);
  ~ModelloElenco() override;

  // The image list `listaimg`: image n of a node is listaimg[n - 1].
  void impostaImmagini(QList<QIcon> listaimg) { listaimg_ = std::move(listaimg); }

  Albero& albero() { return albero_; }
  QModelIndex indiceDi(const Nodo* nodo) const;
  Nodo* nodoDi(const QModelIndex& indice) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 signals:
  // The store's Expanded or Selected changed: the view follows.
  void espansioneRichiesta(const QModelIndex& indice, bool espanso);
  void selezioneRichiesta(const QModelIndex& indice);

 private:
  void primaDiAggiungere(Nodo* padre, int riga) override;
  void dopoAggiunto() override;
  void primaDiRimuovere(Nodo* padre, int riga) override;
  void dopoRimosso() override;
  void inizioBlocco() override;
  void fineBlocco() override;
  void nodoCambiato(Nodo* nodo) override;
  void espansioneCambiata(Nodo* nodo) override;
  void selezioneCambiata(Nodo* nodo) override;

  QIcon icona(Immagine immagine) const;

  Albero& albero_;
  QList<QIcon> listaimg_;
};

}  // namespace custodex
