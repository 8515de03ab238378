#pragma once

#include <QString>
#include <QtGlobal>

namespace custodex {

// The list file: one line holding the enciphered text between double quotes, ended by CR LF,
// one byte per character.

// A file larger than this is not a list file; it is refused before it is read into memory.
inline constexpr qint64 massimoFileLista = qint64{1} << 30;

// Writes the item as the file's one line. The old file is replaced only once the new one is
// whole and on disk; a new file is readable by its owner only, an existing one keeps its
// permissions. Throws Errore(FileNonScritto) with the system's reason when the file cannot be
// created, written or put in place; the old file is then untouched.
void scrivi_file_lista(const QString& percorso, const QString& voce);

// Reads the file's delimited items to its end and gives back the last one (empty when the file
// holds none): an item that begins with a double quote, after leading spaces, runs to the next
// double quote; any other to the next comma or line end. Throws Errore when the file cannot be
// opened or read.
QString leggi_file_lista(const QString& percorso);

// The item-reading rules alone, on the file's bytes.
QString ultima_voce(const QByteArray& contenuto);

}  // namespace custodex
