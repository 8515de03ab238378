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
// "Nuova Lista": the list emptied, and tied to no file. Unsaved changes are discarded only when
// the user says so, as "Carica Lista" asks too.
void nuova_lista(Scheda& scheda, StatoFile& stato, Ambiente& ambiente);
// Whether another program changed the list's file since this session loaded or saved it, looked
// at while the window is idle: told once; a list without unsaved changes may be loaded again.
void controlla_file(Scheda& scheda, StatoFile& stato, Ambiente& ambiente);

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
inline const QString modificheDaScartare = QStringLiteral(
    "Attenzione! La lista ha modifiche non salvate, che andranno perse. Continuare?");
inline const QString sceltaSalvaConNome = QStringLiteral("Salva con nome");
inline const QString sceltaSovrascrivi = QStringLiteral("Sovrascrivi");
inline const QString sceltaAnnulla = QStringLiteral("Annulla");
// The file changed elsewhere, found at a save (then the three choices above) or while idle.
QString cambiatoAltrove(const QString& file, StatoSuDisco su_disco);
QString cambiatoSenzaRicaricare(const QString& file, StatoSuDisco su_disco);
QString ricaricare(const QString& file);
// The failed save: the file's name, then the system's reason.
QString nonSalvata(const QString& file, const QString& motivo);
}  // namespace testi_file

// The entry count after a load: four nodes to an entry, an exact half to the even neighbour.
qint64 voci_da_nodi(qint64 nodi);

}  // namespace custodex
