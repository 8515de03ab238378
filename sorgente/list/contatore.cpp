#include "list/contatore.h"

#include <QtNumeric>

#include "comune/errore.h"

namespace custodex {

void Contatore::imposta(qint64 valore) {
  if (valore == valore_) return;
  valore_ = valore;
  emit cambiato();
}

void Contatore::passo(qint64 di) {
  qint64 nuovo = 0;
  if (qAddOverflow(valore_, di, &nuovo)) throw Errore(Errore::Overflow, QStringLiteral("Overflow"));
  imposta(nuovo);
}

}  // namespace custodex
