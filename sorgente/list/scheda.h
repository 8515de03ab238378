#pragma once

#include <QString>

#include "comune/testo_segreto.h"
#include "list/albero.h"
#include "list/contatore.h"

namespace custodex {

// The list layer's state in the main window `principale`: the list, its counter and the values
// the add command keeps between runs. The layers above keep theirs apart.
struct Scheda {
  Albero elenco;
  Contatore nnodi;
  // The last values read by the add command.
  TestoSegreto nome, username, password, descrizione;
};

}  // namespace custodex
