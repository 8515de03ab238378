#include "app/qt_sessione.h"

#include <QSessionManager>

namespace custodex {

bool QtSessione::puoChiedere() {
  return gestore_.allowsInteraction();
}

void QtSessione::annulla() {
  gestore_.cancel();
}

}  // namespace custodex
