#include "supporto/copione_finestre.h"

#include <QIcon>

namespace custodex::copione {

bool TrayCopione::aggiungiIcona(qint16 nuovoId, const QIcon& icona, const QString& testo) {
  if (!areaPresente) return false;
  inPosto = true;
  id = nuovoId;
  suggerimento = testo;
  conIcona = !icona.isNull();
  return true;
}

void TrayCopione::togliIcona(qint16& valore) {
  tolte << valore;
  if (valore == id) inPosto = false;
}

void TrayCopione::clic() {
  if (inPosto && evento) evento(id);
}

void TrayCopione::areaSparisce() {
  areaPresente = false;
  if (inPosto && areaPerduta) areaPerduta();
}

}  // namespace custodex::copione
