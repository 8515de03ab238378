#pragma once

#include "comune/ambiente.h"
#include "list/scheda.h"

namespace custodex {

// "Modifica Password": the entry around the selected node, its four values in one dialog; a node
// not laid out as an entry's, its text as it stands. The selection, the expansion and the counter
// stay as they are.
void menu_modifica(Scheda& scheda, Ambiente& ambiente);
// "Genera Password": the password taken from the generator goes into the form's password box.
void menu_genera(Scheda& scheda, Ambiente& ambiente);

}  // namespace custodex
