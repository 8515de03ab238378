#include "listfile/chiave_nuova.h"

#include "listfile/comandi_file.h"

namespace custodex {

ChiaveDigitata chiedi_chiave_nuova(Ambiente& ambiente) {
  constexpr auto nascosta = Richiesta::Eco::Nascosta;
  for (;;) {
    ChiaveDigitata prima(ambiente.richiesta.chiedi(testi_file::chiaveSalva, nascosta));
    if (prima.annullata()) return prima;
    const ChiaveDigitata seconda(ambiente.richiesta.chiedi(testi_file::chiaveRipeti, nascosta));
    if (seconda.annullata()) return ChiaveDigitata(std::nullopt);
    if (prima.testo() != seconda.testo()) {
      ambiente.messaggi.avviso(testi_file::chiaviDiverse, Messaggi::Icona::Critica);
      continue;
    }
    // Enter twice by mistake would leave a list anyone can open.
    if (!prima.testo().isEmpty() || ambiente.messaggi.confermaCauta(testi_file::chiaveVuota))
      return prima;
  }
}

}  // namespace custodex
