#pragma once

#include <QString>
#include <QStringView>
#include <cstddef>

#include "comune/piattaforma.h"
#include "comune/testo_compatto.h"
#include "list/albero.h"

namespace custodex {

// The list text: the nested name(value) form of the whole tree. Lists of any size and values
// holding any characters come back exactly as they were saved (see the writer for the one
// escaped form).

// The deepest nesting of nodes a list may have, a top-level node being the first level. The
// program's own entries take two. The reader stops at a deeper node as at a damaged one and
// the writer refuses a deeper tree, so that whatever loads can be saved again: a deep chain
// costs the writer indentation that grows with the square of its depth.
inline constexpr std::size_t massimoLivelli = 1000;

// The whole tree as list text. A text that would exceed 2^31 - 1 characters raises Errore (7)
// instead of taking the machine's memory.
QString salva_albero(const Albero& elenco);
// The same, handed to `pozzo` a block at a time in compact form: the whole text is never in
// memory.
void salva_albero(const Albero& elenco, compatto::Pozzo& pozzo);
// Appends the block of one node at the given depth (2 for a top-level node) and of all that lies
// beneath it, down to massimoLivelli levels below it; deeper raises Errore (6).
void salva_nodo(const Albero& elenco, const Nodo* nodo, qint16 profondita, QString& testo);

// Takes the first item off the front of `testo`: on return `nome` and `valore` hold it and
// `testo` what is left after it. All three come back empty when no item is left.
void leggi_voce(QStringView& testo, QStringView& nome, QStringView& valore);

// The conversions of property values as the reader makes them. A Boolean is True or False in
// any letter case, or a decimal number (zero being false), blanks around a number allowed. An
// image is empty for none, or a decimal whole number within the signed 16-bit range, blanks
// around it allowed. Anything else raises Errore (13).
bool valore_booleano(QStringView valore);
Immagine valore_immagine(QStringView valore);

// How the reader took a list text: read to its end, or stopped on a fault. Each fault has its
// one message for the user.
enum class Lettura { Letta, NonValida, SenzaRoot, Corrotta };

// Replaces the tree with the one a list text describes. A text that is no list (NonValida)
// leaves the tree alone; on any other fault the nodes read before it take the tree's place. A
// value that cannot be converted raises Errore (13), the nodes before it in place; running out of
// memory raises std::bad_alloc with the tree as it was. Time and memory grow in step with the
// text's length. The message, if any, is the caller's to show, once the view shows the tree.
Lettura carica_albero(Albero& elenco, QStringView testo);
// The same from a text given a block at a time in compact form, which is never whole in memory.
// `stima`, when known, is about the text's length, for making room.
Lettura carica_albero(Albero& elenco, compatto::Fonte& testo, qint64 stima = -1);
// Shows the message of a fault, if any.
void avvisa_lettura(Lettura esito, Messaggi& messaggi);
// Both at once. True when the text was read to its end without a message.
bool carica_albero(Albero& elenco, QStringView testo, Messaggi& messaggi);
// Adds one node from a Root or Child value under `padre` (none at the top level), then its
// children. True when it stopped on a fault it has already reported.
bool carica_nodo(Albero& elenco, Nodo* padre, QStringView valore, Messaggi& messaggi);

namespace testi_file {
inline const QString listaNonValida = QStringLiteral(
    "Errore! Il file selezionato potrebbe non essere valido o la password inserita sbagliata!");
inline const QString listaSenzaRoot = QStringLiteral("Errore! Il file selezionato non è valido");
inline const QString listaCorrotta = QStringLiteral(
    "Attenzione! Il file selezionato è corrotto, alcune password potrebbero non funzionare");
// The message for a fault; empty for a text read to its end.
QString lettura(Lettura esito);
}  // namespace testi_file

}  // namespace custodex
