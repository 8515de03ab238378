#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <optional>

#include "comune/piattaforma.h"
#include "list/generatore.h"

namespace custodex {

// The generator's dialog as the program shows it. It keeps its options while the program runs,
// and nowhere else: the program has no settings file.
class QtGeneratore : public Generatore {
 public:
  static inline const QString elencoItaliano = QStringLiteral("/usr/share/dict/italian");

  explicit QtGeneratore(QWidget* padre, QString elencoParole = elencoItaliano, Caso caso = {})
      : padre_(padre), percorso_(std::move(elencoParole)), caso_(std::move(caso)) {}
  std::optional<TestoSegreto> genera() override;

  const OpzioniGeneratore& opzioni() const { return opzioni_; }

 private:
  QPointer<QWidget> padre_;
  QString percorso_;
  Caso caso_;
  OpzioniGeneratore opzioni_;
  std::optional<QStringList> parole_;  // read when first needed
};

}  // namespace custodex
