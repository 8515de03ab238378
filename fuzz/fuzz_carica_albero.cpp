// The list text reader on arbitrary text: it must never fault, and whatever it builds, whole or
// up to the fault it reported, must come back from a save and a second load exactly as it was
// saved.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "comune/errore.h"
#include "list/albero.h"
#include "listfile/salva_carica.h"

namespace {

// Larger inputs only slow the search down; the reader is linear in the text.
constexpr std::size_t massimoByte = 64 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dati, std::size_t dimensione) {
  if (dimensione > massimoByte) return -1;
  // The text in a buffer of exactly its size, so that a read past its end is caught.
  const std::size_t n = dimensione / 2;
  const auto unita = std::make_unique<char16_t[]>(n);
  if (n > 0) std::memcpy(unita.get(), dati, 2 * n);
  const QStringView testo(unita.get(), static_cast<qsizetype>(n));

  custodex::Albero letto;
  try {
    (void)custodex::carica_albero(letto, testo);
  } catch (const custodex::Errore&) {
    // a value that does not convert ends the load through the command's trap
  }

  // Whatever the load left in the window, accepted whole or read up to a fault, is what the next
  // "Salva Lista" writes: it must save, and load back to the same list.
  try {
    const QString salvato = custodex::salva_albero(letto);
    custodex::Albero riletto;
    if (custodex::carica_albero(riletto, salvato) != custodex::Lettura::Letta) std::abort();
    if (custodex::salva_albero(riletto) != salvato) std::abort();
  } catch (const custodex::Errore&) {
    std::abort();
  }
  return 0;
}
