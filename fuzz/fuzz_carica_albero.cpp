// The list text reader on arbitrary text: it must never fault, and whatever it accepts must come
// back from a save and a second load exactly as it was saved.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "comune/errore.h"
#include "comune/piattaforma.h"
#include "list/albero.h"
#include "listfile/salva_carica.h"

namespace {

// Messages go nowhere: only whether the reader accepted the text matters here.
class MessaggiMuti : public custodex::Messaggi {
 public:
  void avviso(const QString&, Icona) override {}
  bool conferma(const QString&) override { return true; }
};

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

  MessaggiMuti messaggi;
  custodex::Albero letto;
  try {
    if (!custodex::carica_albero(letto, testo, messaggi)) return 0;
  } catch (const custodex::Errore&) {
    return 0;  // a value that does not convert ends the load through the command's trap
  }

  // Accepted: what a save writes of it must read back to the same list.
  try {
    const QString salvato = custodex::salva_albero(letto);
    custodex::Albero riletto;
    if (!custodex::carica_albero(riletto, salvato, messaggi)) std::abort();
    if (custodex::salva_albero(riletto) != salvato) std::abort();
  } catch (const custodex::Errore&) {
    std::abort();
  }
  return 0;
}
