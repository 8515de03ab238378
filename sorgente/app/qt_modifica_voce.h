#pragma once

#include <QPointer>
#include <QWidget>

#include "comune/piattaforma.h"

namespace custodex {

// "Modifica Password" as the program shows it. Its "Genera Password" button opens the generator,
// whose "Usa" puts the password into the dialog's own password box.
class QtModificaVoce : public ModificaVoce {
 public:
  QtModificaVoce(QWidget* padre, Generatore& generatore) : padre_(padre), generatore_(generatore) {}
  bool modificaVoce(Valori& valori) override;
  bool modificaTesto(TestoSegreto& testo) override;

 private:
  QPointer<QWidget> padre_;
  Generatore& generatore_;
};

}  // namespace custodex
