#pragma once

#include <QString>

#include "comune/ambiente.h"
#include "list/scheda.h"
#include "listfile/stato_file.h"

namespace custodex {

// "Importa Lista": appends to the list the entries of a file that another password keeper or a
// browser wrote, then reports what was imported and what was left out, and why.
void menu_importa(Scheda& scheda, Ambiente& ambiente);
// The same for a file chosen before the program started (from the command line).
void importa_file(Scheda& scheda, Ambiente& ambiente, const QString& file);
// "Esporta Lista": writes the list unenciphered as CSV or as KeePass 2 XML, by the file's
// extension, once the user has agreed to a file anyone can read.
void menu_esporta(Scheda& scheda, Ambiente& ambiente);

namespace testi_scambio {
inline const QString filtroImporta = QStringLiteral(
    "File di altri programmi (*.csv *.xml);;CSV (*.csv);;KeePass 2 XML (*.xml);;Tutti i file (*)");
inline const QString filtroEsporta =
    QStringLiteral("CSV, come quello di KeePassXC (*.csv);;KeePass 2 XML (*.xml)");
inline const QString avvisoEsporta = QStringLiteral(
    "Attenzione! Il file esportato NON sarà criptato: chiunque lo legga vedrà tutte le password "
    "della lista.\n\nI valori sono scritti esattamente come sono: un valore che inizia con =, +, "
    "- o @ può essere preso per una formula se il file viene aperto con un foglio di calcolo.\n\n"
    "Esportare comunque?");
// The report of an import, what was imported and what was left out.
QString resoconto(const QString& formato, qint64 importate, qint64 storia, qint64 cestino,
                  qint64 malformate, qint64 primaMalformata, bool windows1252);
QString esportate(qint64 voci, const QString& file);
QString nonImportato(const QString& file, const QString& motivo);
QString nonEsportato(const QString& file, const QString& motivo);
}  // namespace testi_scambio

}  // namespace custodex
