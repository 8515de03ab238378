#pragma once

#include <QString>

#include "list/albero.h"

namespace custodex {

// An entry as "Aggiungi" lays it out: a top-level node bearing the name, and three children, the
// user name and the password after these labels, and the description.
inline const QString etichettaUsername = QStringLiteral("Username: ");
inline const QString etichettaPassword = QStringLiteral("Password: ");
inline const QString senzaDescrizione = QStringLiteral("Nessuna Descrizione");

// The top node of the entry that `nodo` is part of, when that entry is still laid out so;
// nothing for a node of another shape (a line renamed by "Incolla Valore", a loaded tree's own).
Nodo* voceDi(const Albero& elenco, Nodo* nodo);

}  // namespace custodex
