#pragma once

#include <QObject>

namespace custodex {

// The entry counter `nnodi`. Lists of any size are kept, so it counts them all.
class Contatore : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  qint64 valore() const { return valore_; }
  void imposta(qint64 valore);
  void aumenta() { passo(1); }
  void diminuisci() { passo(-1); }

 signals:
  void cambiato();

 private:
  void passo(qint64 di);  // throws rather than wraps at either end, leaving the value as it was

  qint64 valore_ = 0;
};

}  // namespace custodex
