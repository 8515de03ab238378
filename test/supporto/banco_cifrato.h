#pragma once

#include <optional>

#include "listfile/comandi_file.h"
#include "listfile/nmcrypt.h"
#include "listfile/salva_carica.h"
#include "supporto/copione.h"

namespace custodex::copione {

// A main window's state whose cipher is the real one, at the cheapest cost unless given another.
struct BancoCifrato {
  NmCrypt cifrario;
  Banco banco{cifrario};
  Scheda& scheda = banco.scheda;
  StatoFile& file = banco.file;
  Ambiente& ambiente = banco.ambiente;

  explicit BancoCifrato(NmCrypt c = NmCrypt(NmCrypt::Costo{1, 8})) : cifrario(std::move(c)) {}

  // "Salva Lista" answered with this file (asked only while the list is tied to none) and this
  // key at both prompts; nothing is Cancel.
  void salva(const std::optional<QString>& percorso,
             const std::optional<QString>& chiave = QStringLiteral("k")) {
    if (!file.file_noto) banco.dialog.risposte.push_back(percorso);
    banco.richiesta.risposte.push_back(chiave);
    if (chiave) banco.richiesta.risposte.push_back(chiave);
    menu_salva(scheda, file, ambiente);
  }
  // "Carica Lista" answered with this file and this key.
  void carica(const std::optional<QString>& percorso,
              const std::optional<QString>& chiave = QStringLiteral("k")) {
    banco.dialog.risposte.push_back(percorso);
    banco.richiesta.risposte.push_back(chiave);
    menu_carica(scheda, file, ambiente);
  }
  QString lista() const { return salva_albero(scheda.elenco); }
};

}  // namespace custodex::copione
