#include "list/contatore.h"

#include "comune/intero16.h"

namespace custodex {

void Contatore::imposta(qint64 valore) {
  const qint16 nuovo = intero16(valore);
  if (nuovo == valore_) return;
  valore_ = nuovo;
  emit cambiato();
}

}  // namespace custodex
