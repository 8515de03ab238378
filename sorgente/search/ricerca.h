#pragma once

#include "comune/ambiente.h"
#include "list/scheda.h"
#include "search/stato_ricerca.h"

namespace custodex {

// "Trova": asks for a keyword and selects the first node whose text holds it, in any case.
void menu_trova(Scheda& scheda, StatoRicerca& ricerca, Ambiente& ambiente);
// "Trova Successivo": selects the next node after the last one found that holds the same keyword.
void menu_successivo(Scheda& scheda, StatoRicerca& ricerca, Ambiente& ambiente);

}  // namespace custodex
