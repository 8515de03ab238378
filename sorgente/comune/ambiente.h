#pragma once

#include "comune/piattaforma.h"

namespace custodex {

// The platform pieces outside the main window that a command may use.
struct Piattaforma {
  Messaggi& messaggi;
  Richiesta& richiesta;
  DialogoFile& dialog;
  Appunti& appunti;
  Eventi& eventi;
  Cifrario& cripta_decripta;
  ModificaVoce& modifica;
  Generatore& generatore;
  // The dialog of import and export, with a current file of its own: choosing a file to import
  // or export must not change the file that "Salva Lista" writes to.
  DialogoFile& dialog_scambio;
};

// Everything a command may use: those pieces and the window's own form.
struct Ambiente : Piattaforma {
  Modulo& modulo;
};

}  // namespace custodex
