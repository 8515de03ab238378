#include "app/vista_contatore.h"

#include <QLabel>
#include <algorithm>

namespace custodex {

VistaContatore::VistaContatore(QLabel& didascalia, QLabel& numero, int sinistra)
    : didascalia_(didascalia),
      numero_(numero),
      postoDidascalia_(didascalia.geometry()),
      postoNumero_(numero.geometry()),
      sinistra_(sinistra) {
  numero_.setIndent(numero_.fontMetrics().horizontalAdvance(u' '));
  // A screen reader reads the name instead of the text, so the name carries the number.
  numero_.setAccessibleName(didascalia_.text());
}

void VistaContatore::mostra(qint64 valore) {
  const QString testo = QString::number(valore);
  const int serve = numero_.indent() + numero_.fontMetrics().horizontalAdvance(testo);
  const int spostamento =
      std::clamp(serve - postoNumero_.width(), 0, std::max(0, postoDidascalia_.left() - sinistra_));
  didascalia_.setGeometry(postoDidascalia_.translated(-spostamento, 0));
  numero_.setGeometry(postoNumero_.adjusted(-spostamento, 0, 0, 0));
  numero_.setText(testo);
  numero_.setAccessibleName(didascalia_.text() + u' ' + testo);
}

}  // namespace custodex
