#pragma once

#include "comune/ambiente.h"
#include "list/scheda.h"

namespace custodex {

// "Trova": asks for a keyword and selects the first node whose text holds it, in any case.
void menu_trova(Scheda& scheda, Ambiente& ambiente);
// "Trova Successivo": selects the next node after the last one found that holds the same keyword.
void menu_successivo(Scheda& scheda, Ambiente& ambiente);

}  // namespace custodex
