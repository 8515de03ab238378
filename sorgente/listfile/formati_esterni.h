#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <vector>

#include "comune/testo_segreto.h"
#include "list/albero.h"

// The files other password keepers and browsers read and write: what an import takes from them
// and what an export gives them. Every value is a secret, held in TestoSegreto from the moment
// it is read until it is in the tree or in the exported file.

namespace custodex {

// One entry as Custodex lays it: the description already holds whatever else the source kept
// (labelled lines, the notes last), or is empty.
struct VoceEsterna {
  TestoSegreto nome, username, password, descrizione;
};

// What an import file yielded, and what it left out and why: the user is told all of it.
struct Raccolta {
  QString formato;  // as the report names it
  std::vector<VoceEsterna> voci;
  qint64 storia = 0;           // older versions of an entry, not entries of their own
  qint64 cestino = 0;          // entries in the recycle bin
  qint64 malformate = 0;       // rows whose field count differs from the header's
  qint64 primaMalformata = 0;  // the line where the first of them begins
  bool windows1252 = false;    // the bytes were not UTF-8
};

// The largest import file: a list of a few hundred thousand entries. A larger one is refused
// before it is read, so that a wrong pick in the dialog cannot exhaust the memory.
inline constexpr qint64 massimoFileImportato = qint64{64} << 20;

// The text of an import file: UTF-16 or UTF-8 by their byte order mark, UTF-8 with or without
// one, anything else as Windows-1252 (`windows1252` then becomes true). The bytes are wiped.
QString decodifica_testo(QByteArray& byte, bool& windows1252);

// The records of a CSV text, fields split at commas, quoted fields holding commas, doubled
// quotes and line breaks. `righe` receives the line on which each record begins. A quote never
// closed raises Errore: the rest of the file would silently become one value.
using RecordCsv = std::vector<TestoSegreto>;
std::vector<RecordCsv> leggi_csv(QStringView testo, std::vector<qint64>* righe = nullptr);

// The entries of a file in any of the formats understood, recognised by its first line. Raises
// Errore with a message for the user when the format is not recognised, the file is empty, or
// the file cannot be read as its format says.
Raccolta leggi_importazione(QByteArray& byte);
Raccolta importa_csv(QStringView testo);
Raccolta importa_xml(const QByteArray& byte);

// The formats understood, for the message refusing any other.
QString formati_compresi();

// The entries of the tree, top-level node by top-level node. Raises Errore naming the first one
// that is not laid out as the add command lays it: its values could not be told apart.
std::vector<VoceEsterna> voci_dall_elenco(const Albero& elenco);
// Appends the entries as the add command would, an empty description as "Nessuna Descrizione".
void aggiungi_voci(Albero& elenco, const std::vector<VoceEsterna>& voci);

// The export files' bytes, for an export file's owner alone: the caller wipes them once written.
// Values are written exactly; one that the format cannot carry raises Errore naming its entry.
QByteArray esporta_csv(const std::vector<VoceEsterna>& voci);
QByteArray esporta_xml(const std::vector<VoceEsterna>& voci);

// A string built to its exact length, so that no reallocation leaves a copy of a secret behind.
QString unisci(std::initializer_list<QStringView> parti);

}  // namespace custodex
