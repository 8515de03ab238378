#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <optional>

#include "comune/piattaforma.h"
#include "listfile/impronta.h"

namespace custodex {

// The list file: one line holding the enciphered text between double quotes, ended by CR LF,
// one byte per character.

// The largest list file: a save refuses to write a larger one, and a load refuses a larger one
// before it reads it, so that whatever is saved can be loaded.
inline constexpr qint64 massimoFileLista = qint64{1} << 30;

// Writes the item as the file's one line. The old file is replaced only once the new one is
// whole and on disk; a new file is readable by its owner only, from its creation, an existing one
// keeps its permissions. The file replaced is kept as the first of three previous versions
// (nome_versione), the older ones moving down and the fourth going; they are readable by their
// owner only where the file system keeps permissions. Throws Errore(FileNonScritto) with the
// system's reason when the file cannot be created, written or put in place, when an existing target
// is not a regular file (a pipe, a device), or when the file would be larger than `massimo`; the
// old file is then untouched.
// Gives back the print of the file written (nothing when it cannot be had), for the check before
// the next save.
std::optional<Impronta> scrivi_file_lista(const QString& percorso, const QString& voce,
                                          qint64 massimo = massimoFileLista);
// The same for a text handed out a block at a time.
std::optional<Impronta> scrivi_file_lista(const QString& percorso, const TestoCifrato& voce,
                                          qint64 massimo = massimoFileLista);

// How many previous versions a save keeps, and the name of the n-th (1 the newest), beside the
// file: "lista.kvx" gives "lista.1.kvx", so that it sorts beside it and opens as a list.
inline constexpr int versioniConservate = 3;
QString nome_versione(const QString& percorso, int n);

// Writes an export's bytes as the list file is written, the file readable by its owner alone
// even when it existed before. Throws Errore(FileNonScritto) as scrivi_file_lista does.
void scrivi_file_esportato(const QString& percorso, const QByteArray& contenuto);

// The bytes of a file to import, refused before reading when larger than `massimo`, or when not
// a regular file. Throws Errore as leggi_file_lista does.
QByteArray leggi_file_esterno(const QString& percorso, qint64 massimo);

// Reads the file's delimited items to its end and gives back the last one (empty when the file
// holds none): an item that begins with a double quote, after leading spaces, runs to the next
// double quote; any other to the next comma or line end. Throws Errore when the file cannot be
// opened or read, is not a regular file (a pipe would never end) or is larger than `massimo`.
//
// The file is first scanned for where its last item lies, without being kept; `riconosce` is then
// shown the item's first characters (up to primiCaratteri) and its length, and only an item it
// accepts is read into memory. A refused item reads as the empty one. With `impronta`, the file's
// print is taken on the way, its hash from the first pass: nothing is read twice for it.
using Riconosce = std::function<bool(QStringView inizio, qint64 lunghezza)>;
inline constexpr qsizetype primiCaratteri = 256;
QString leggi_file_lista(const QString& percorso, const Riconosce& riconosce = {},
                         qint64 massimo = massimoFileLista,
                         std::optional<Impronta>* impronta = nullptr);

// A list file open for reading. Opening it reads nothing, so that the key can be asked at once
// whatever its size; the file read afterwards is the one opened, even if another takes its name
// meanwhile.
class FileLista {
 public:
  // Throws Errore when the file cannot be opened, is not a regular file (a pipe would never end)
  // or is larger than `massimo`.
  explicit FileLista(const QString& percorso, qint64 massimo = massimoFileLista);
  ~FileLista();
  FileLista(const FileLista&) = delete;
  FileLista& operator=(const FileLista&) = delete;

  // Reads the file's delimited items to its end, a block at a time and keeping none, and gives
  // back where the last one lies, read from the file only when asked. With `impronta`, the file's
  // print is taken on the way. Throws Errore when the file cannot be read.
  std::unique_ptr<VoceCifrata> ultimaVoce(std::optional<Impronta>* impronta = nullptr);

 private:
  class Aperto;
  std::shared_ptr<Aperto> file_;
};

// The item-reading rules alone, on the file's bytes.
QString ultima_voce(const QByteArray& contenuto);

}  // namespace custodex
