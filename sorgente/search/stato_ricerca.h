#pragma once

#include <QString>

namespace custodex {

// What find keeps between runs for find next.
struct StatoRicerca {
  // The keyword, stored lower-cased, and the index of the last node found: a plain index, as wide
  // as the tree may grow, that deleting and loading leave alone.
  QString parola_chiave;
  qint64 indice_trovato = 0;
};

}  // namespace custodex
