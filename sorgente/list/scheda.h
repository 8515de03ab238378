#pragma once

#include <QString>

#include "comune/testo_segreto.h"
#include "list/albero.h"
#include "list/contatore.h"

namespace custodex {

// What the main window `principale` holds besides its controls: the list and the values the
// commands keep between runs.
struct Scheda {
  Albero elenco;
  Contatore nnodi;
  // The last values read by the add command.
  TestoSegreto nome, username, password, descrizione;
  // Whether "Salva Lista" may write to the current file without asking for one.
  bool file_noto = false;
  // The search keyword, stored lower-cased, and the index of the last node found: a plain
  // index, as wide as the tree may grow, that deleting and loading leave alone.
  QString parola_chiave;
  qint64 indice_trovato = 0;
};

}  // namespace custodex
