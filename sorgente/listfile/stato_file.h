#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

#include "comune/piattaforma.h"
#include "list/albero.h"
#include "listfile/impronta.h"

namespace custodex {

// What the list-file commands keep between runs: how the list on screen stands to its file.
struct StatoFile {
  // Whether "Salva Lista" may write to the current file without asking for one.
  bool file_noto = false;
  // The file this session last loaded or saved, as it was then; nothing before either.
  QString percorso;
  std::optional<Impronta> impronta;
  // The tree's change count at that load or save (or at "Nuova Lista").
  quint64 versione = 0;
  // A change of the file by another program, seen while the window was idle, has been told.
  bool cambio_segnalato = false;
  // The key of the last load or save, stretched, to lock the list without asking; none for a
  // list never loaded or saved.
  std::shared_ptr<ChiaveTenuta> chiave;
  // While locked: the list and the form, sealed under that key; and whether the list had
  // unsaved changes, which the unlock gives back.
  std::optional<QByteArray> sigillo;
  bool modificata_bloccata = false;
  qint64 voci_bloccate = 0;
};

// Whether the list differs from what was last loaded or saved.
inline bool modificata(const Albero& elenco, const StatoFile& stato) {
  if (stato.sigillo) return stato.modificata_bloccata;
  return elenco.versione() != stato.versione;
}

}  // namespace custodex
