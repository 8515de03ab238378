#pragma once

#include "comune/ambiente.h"
#include "list/scheda.h"

namespace custodex {

// "Aggiungi" and "Aggiungi Password": adds an entry from the four fields of the entry form.
void pls_aggiungi(Scheda& scheda, Ambiente& ambiente);
// "Elimina" and "Elimina Password": deletes the entry around the selected node.
void pls_elipass(Scheda& scheda, Ambiente& ambiente);
// "Nuova Lista": empties the list and the form, and unties the list from its file.
void menu_nuova(Scheda& scheda, Ambiente& ambiente);

}  // namespace custodex
