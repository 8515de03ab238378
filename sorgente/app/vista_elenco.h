#pragma once

#include <QTreeView>

#include "list/modello_elenco.h"

namespace custodex {

// The tree view `elenco`. What the user sees and the store's Expanded and Selected are kept one:
// expanding or selecting here sets them in the store, and setting them in the store shows here.
class VistaElenco : public QTreeView {
  Q_OBJECT

 public:
  VistaElenco(ModelloElenco& modello, QWidget* parent = nullptr);

 signals:
  // The user asked to copy the selected row (Ctrl+C, Ctrl+Insert): "Copia Valore" runs.
  void copiaRichiesta();
  // The user asked to change the selected row's entry (Enter, a double-click): "Modifica
  // Password" runs.
  void modificaRichiesta();

 protected:
  void keyPressEvent(QKeyEvent* evento) override;
  void rowsInserted(const QModelIndex& padre, int primo, int ultimo) override;

 private:
  void mostraEspansione(const QModelIndex& indice, bool espanso);
  void mostraSelezione(const QModelIndex& indice);
  void selezioneCambiata();
  void dopoRipristino();

  ModelloElenco& modello_;
  bool sincronizzando_ = false;
  bool geometrieInAttesa_ = false;  // rows taken in, the scroll bar not yet told
};

}  // namespace custodex
