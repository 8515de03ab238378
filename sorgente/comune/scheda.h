#pragma once

#include <QString>

#include "comune/piattaforma.h"
#include "list/albero.h"
#include "list/contatore.h"

namespace custodex {

// What the main window `principale` holds besides its controls: the list and the values the
// commands keep between runs.
struct Scheda {
  Albero elenco;
  Contatore nnodi;
  // The last values read by the add command.
  QString nome, username, password, descrizione;
  // Whether "Salva Lista" may write to the current file without asking for one.
  bool file_noto = false;
  // The search keyword, stored lower-cased, and the index of the last node found.
  QString parola_chiave;
  qint16 indice_trovato = 0;
};

// The platform pieces a command may use.
struct Ambiente {
  Messaggi& messaggi;
  Richiesta& richiesta;
  DialogoFile& dialog;
  Appunti& appunti;
  Eventi& eventi;
  Cifrario& cripta_decripta;
  Modulo& modulo;
};

}  // namespace custodex
