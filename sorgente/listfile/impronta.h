#pragma once

#include <sodium.h>

#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

namespace custodex {

// What a list file on disk was when this session last loaded or saved it. Kept in memory only:
// it tells whether another window, program or sync tool has since put another file there.
struct Impronta {
  qint64 dimensione = 0;
  qint64 modificato_ns = 0;
  quint64 dispositivo = 0, inode = 0;
  std::array<unsigned char, crypto_generichash_BYTES> hash{};
};

// The file's print now: its identity, size, time and a hash of its whole content. Nothing when it
// is missing or cannot be read.
std::optional<Impronta> impronta_file(const QString& percorso);
// Its identity, size and time alone, the hash left empty: cheap, whatever the file's size.
std::optional<Impronta> identita_file(const QString& percorso);
// The same of a file open as `fd`.
std::optional<Impronta> identita_aperto(int fd);
// The same identity, size and time.
bool stessa_identita(const Impronta& a, const Impronta& b);

// How the file on disk stands to what was noted of it.
enum class StatoSuDisco { Uguale, Cambiato, Mancante };
// The same identity, size and time is the same file; otherwise only the same content is, however
// it got there (a sync tool may write an identical copy).
StatoSuDisco confronta_file(const QString& percorso, const Impronta& nota);

}  // namespace custodex
