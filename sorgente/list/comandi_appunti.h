#pragma once

#include "comune/ambiente.h"
#include "list/scheda.h"

namespace custodex {

// "Copia Valore": puts the selected node's value on the clipboard as a secret. The tree stays as
// it is.
void copia(Scheda& scheda, Ambiente& ambiente);
// "Incolla Valore": the selected node's whole text becomes the clipboard's text.
void incolla(Scheda& scheda, Ambiente& ambiente);

}  // namespace custodex
