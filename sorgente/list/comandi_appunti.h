#pragma once

#include "comune/ambiente.h"
#include "list/scheda.h"

namespace custodex {

// "Copia Valore": puts the selected node's value on the clipboard as a secret. The tree stays as
// it is.
void copia(Scheda& scheda, Ambiente& ambiente);
// "Copia Username" and "Copia Password": the user name or the password of the entry around the
// selected node, as "Copia Valore" copies it from its own line. Nothing for a node that is not
// part of an entry laid out as "Aggiungi" lays it.
void copia_username(Scheda& scheda, Ambiente& ambiente);
void copia_password(Scheda& scheda, Ambiente& ambiente);
// "Incolla Valore": the selected node's whole text becomes the clipboard's text.
void incolla(Scheda& scheda, Ambiente& ambiente);

}  // namespace custodex
