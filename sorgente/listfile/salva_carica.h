#pragma once

#include <QString>
#include <QStringView>

#include "comune/piattaforma.h"
#include "list/albero.h"

namespace custodex {

// The list text: the nested name(value) form of the whole tree.

// The whole tree as list text.
QString salva_albero(const Albero& elenco);
// Appends the block of one node at the given depth (2 for a top-level node) and of all that lies
// beneath it.
void salva_nodo(const Albero& elenco, const Nodo* nodo, qint16 profondita, QString& testo);

// Takes the first item off the front of `testo`: on return `nome` and `valore` hold it and
// `testo` what is left after it. All three come back empty when no item is left.
void leggi_voce(QStringView& testo, QStringView& nome, QStringView& valore);

// Empties the tree and rebuilds it from a list text, showing at most one message when it
// rejects the text. True when the text was read to its end without a message. A value that
// cannot be converted raises Errore.
bool carica_albero(Albero& elenco, QStringView testo, Messaggi& messaggi);
// Adds one node from a Root or Child value under `padre` (none at the top level), then its
// children. True when it stopped on a fault it has already reported.
bool carica_nodo(Albero& elenco, Nodo* padre, QStringView valore, Messaggi& messaggi);

}  // namespace custodex
