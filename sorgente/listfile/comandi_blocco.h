#pragma once

#include <QString>

#include "comune/ambiente.h"
#include "list/scheda.h"
#include "listfile/stato_file.h"

namespace custodex {

// "Blocca Lista": the list as it stands, unsaved changes and the form's four boxes included, is
// sealed in memory under the key of the last load or save; the tree and the boxes are emptied
// and wiped, our copy on the clipboard taken back, and the stretched key wiped. A list never
// loaded or saved asks for a new key, twice, as a save does. True when the list is locked.
bool blocca_lista(Scheda& scheda, StatoFile& stato, Ambiente& ambiente);
// The lock nobody asked for (idle, screen locked): nobody is there to type a key, so a list
// without one stays as it is.
bool blocca_se_possibile(Scheda& scheda, StatoFile& stato, Ambiente& ambiente);
// "Sblocca": asks the key once and gives the list back as it was locked, selection, expansion and
// unsaved state included; a wrong key leaves it locked. True when the list is unlocked.
bool sblocca_lista(Scheda& scheda, StatoFile& stato, Ambiente& ambiente);

inline bool bloccata(const StatoFile& stato) {
  return stato.sigillo.has_value();
}

namespace testi_blocco {
inline const QString chiaveSblocca =
    QStringLiteral("La lista è bloccata. Inserisci la chiave segreta per sbloccarla:");
inline const QString chiaveErrata = QStringLiteral("Chiave errata! La lista resta bloccata.");
inline const QString memoriaEsaurita =
    QStringLiteral("Errore! La memoria non basta per bloccare o sbloccare la lista");
}  // namespace testi_blocco

}  // namespace custodex
