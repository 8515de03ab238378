#pragma once

#include <QString>
#include <QStringView>

#include "comune/azzera.h"

namespace custodex {

// A secret text: a node's text, a value typed in the form. Its characters are its own: a copy is
// a copy of the characters, never a share of them, and they are wiped whenever the text changes
// or goes. A share would leave the characters to whichever holder went last, wiping or not.
class TestoSegreto {
 public:
  TestoSegreto() = default;
  explicit TestoSegreto(QStringView testo) : testo_(testo.toString()) {}
  // Takes the characters of a string nobody else holds; a shared one is copied instead.
  explicit TestoSegreto(QString&& testo)
      : testo_(testo.isDetached() ? std::move(testo) : QStringView(testo).toString()) {}
  TestoSegreto(const TestoSegreto& altro) : TestoSegreto(altro.vista()) {}
  TestoSegreto(TestoSegreto&& altro) noexcept : testo_(std::exchange(altro.testo_, QString())) {}
  TestoSegreto& operator=(const TestoSegreto& altro) {
    if (this != &altro) imposta(altro.vista());
    return *this;
  }
  TestoSegreto& operator=(TestoSegreto&& altro) noexcept {
    if (this != &altro) {
      azzera(testo_);
      testo_ = std::exchange(altro.testo_, QString());
    }
    return *this;
  }
  ~TestoSegreto() { azzera(testo_); }

  // The new characters are copied before the old ones go, so that `testo` may lie in them.
  void imposta(QStringView testo) {
    QString nuovo = testo.toString();
    azzera(testo_);
    testo_ = std::move(nuovo);
  }

  QStringView vista() const { return testo_; }
  // For reading in place. A QString made from it shares the characters: let it go before the
  // secret changes, or they outlive the wipe.
  const QString& testo() const { return testo_; }
  bool isEmpty() const { return testo_.isEmpty(); }

 private:
  QString testo_;
};

}  // namespace custodex
