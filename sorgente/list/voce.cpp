#include "list/voce.h"

namespace custodex {

Nodo* voceDi(const Albero& elenco, Nodo* nodo) {
  if (!nodo) return nullptr;
  Nodo* voce = elenco.Parent(nodo) ? elenco.Parent(nodo) : nodo;
  if (elenco.Parent(voce)) return nullptr;
  const std::vector<Nodo*>& righe = elenco.figli(voce);
  if (righe.size() != 3) return nullptr;
  for (const Nodo* riga : righe)
    if (elenco.Children(riga) != 0) return nullptr;
  if (!elenco.Text(righe[0]).startsWith(etichettaUsername) ||
      !elenco.Text(righe[1]).startsWith(etichettaPassword))
    return nullptr;
  return voce;
}

}  // namespace custodex
