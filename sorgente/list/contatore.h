#pragma once

#include <QObject>

namespace custodex {

// The entry counter `nnodi`: signed 16-bit, and a step past either end is refused, not wrapped.
class Contatore : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  qint16 valore() const { return valore_; }
  void imposta(qint64 valore);  // throws when out of range, leaving the value as it was
  void aumenta() { imposta(qint64{valore_} + 1); }
  void diminuisci() { imposta(qint64{valore_} - 1); }

 signals:
  void cambiato();

 private:
  qint16 valore_ = 0;
};

}  // namespace custodex
