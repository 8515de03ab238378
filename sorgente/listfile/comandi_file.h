#pragma once

#include <QString>
#include <QtGlobal>

#include "comune/ambiente.h"
#include "list/scheda.h"
#include "listfile/stato_file.h"

namespace custodex {

// The three list-file commands of the main window. Each catches every Errore at its own trap.

// "Salva Lista": writes the tree, enciphered under a key asked for now, to the current file,
// asking for a file first unless the list is tied to one.
void menu_salva(Scheda& scheda, StatoFile& stato, Ambiente& ambiente);
// "Salva con nome": always asks for the file.
void menu_salva_nome(Scheda& scheda, StatoFile& stato, Ambiente& ambiente);
// "Carica Lista": rebuilds the tree from a list file and the key it was saved under.
void menu_carica(Scheda& scheda, StatoFile& stato, Ambiente& ambiente);
// "Carica Lista" for a file chosen before the program started (from the command line): the file
// becomes the current one as if confirmed in the open dialog, and the load goes on from there.
void carica_file(Scheda& scheda, StatoFile& stato, Ambiente& ambiente, const QString& file);
// "Nuova Lista": the list emptied, and tied to no file.
void nuova_lista(Scheda& scheda, StatoFile& stato, Ambiente& ambiente);

namespace testi_file {
inline const QString filtro = QStringLiteral("Liste password criptate (*.kvx)");
// A list saved without the extension must still be found.
inline const QString filtroApri =
    QStringLiteral("Liste password criptate (*.kvx);;Tutti i file (*)");
inline const QString chiaveSalva = QStringLiteral("Inserire una chiave segreta di criptazione: ");
inline const QString chiaveCarica =
    QStringLiteral("Inserisci la chiave segreta di criptazione che hai usato per salvare:");
inline const QString memoriaEsaurita =
    QStringLiteral("Errore! La memoria non basta per caricare il file selezionato");
// The failed save: the file's name, then the system's reason.
QString nonSalvata(const QString& file, const QString& motivo);
}  // namespace testi_file

// The entry count after a load: four nodes to an entry, an exact half to the even neighbour.
qint64 voci_da_nodi(qint64 nodi);

}  // namespace custodex
