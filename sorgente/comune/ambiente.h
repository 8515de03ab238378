#pragma once

#include "comune/piattaforma.h"

namespace custodex {

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
