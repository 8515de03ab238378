#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <tuple>
#include <utility>

#include "bench/comune.h"
#include "listfile/comandi_file.h"
#include "listfile/impronta.h"
#include "listfile/nmcrypt.h"
#include "listfile/salva_carica.h"
#include "supporto/copione.h"

// The list file commands at the program's real cipher cost: the key derivation alone, the
// cipher without it, and the whole save and load as the user runs them.

namespace custodex::bench {

namespace {

const QString chiave = QStringLiteral("una chiave qualsiasi");

// Median ms of the whole save and of the whole load through the commands, with scripted answers;
// the list is checked to have come back whole.
std::pair<double, double> salvaECarica(copione::Banco& banco, const QString& percorso, int voci,
                                       int volte) {
  banco.dialog.fileName = percorso;
  banco.file.file_noto = true;
  const double salva = mediana(volte, [&] {
    banco.richiesta.risposte.push_back(chiave);  // asked twice on saving
    banco.richiesta.risposte.push_back(chiave);
    menu_salva(banco.scheda, banco.file, banco.ambiente);
  });
  const double carica = mediana(volte, [&] {
    banco.dialog.risposte.push_back(banco.dialog.fileName);
    banco.richiesta.risposte.push_back(chiave);
    menu_carica(banco.scheda, banco.file, banco.ambiente);
  });
  if (banco.scheda.elenco.Count() != 4 * voci || !banco.messaggi.avvisi.isEmpty())
    std::printf("load failed\n");
  return {salva, carica};
}

// The peak resident memory starts again from what is resident now.
void azzeraPicco() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

void file() {
  NmCrypt cifrario;
  const busta::Intestazione intestazione = cifrario.nuovaIntestazione();
  const double derivazione = mediana(5, [&] { (void)NmCrypt::derivaChiave(chiave, intestazione); });
  std::printf("key derivation (Argon2id, 64 MiB, 3 passes): %.0f ms\n\n", derivazione);

  // The same commands with the cheapest key derivation libsodium allows: what they cost beyond it.
  NmCrypt senzaCosto(NmCrypt::Costo{1, 8});

  QTemporaryDir cartella;
  std::printf("%8s %10s %10s %10s %10s %9s %9s %8s %9s\n", "entries", "save", "save-KDF", "load",
              "load-KDF", "save/ent", "load/ent", "B/entry", "peak MiB");
  for (const int voci : dimensioni) {
    const int volte = voci >= 100000 ? 3 : 5;
    const QString percorso = cartella.filePath(QStringLiteral("lista%1.kvx").arg(voci));
    double salva = 0, carica = 0, salvaOltre = 0, caricaOltre = 0, controllo = 0, picco = 0;
    {
      // The peak over the save and the load as the user runs them, the list's own memory
      // included, from the moment the list is there.
      copione::Banco banco(cifrario);
      riempi(banco.scheda.elenco, voci);
      azzeraPicco();
      std::tie(salva, carica) = salvaECarica(banco, percorso, voci, volte);
      picco = piccoMemoriaMiB();
    }
    {
      copione::Banco banco(senzaCosto);
      riempi(banco.scheda.elenco, voci);
      std::tie(salvaOltre, caricaOltre) = salvaECarica(banco, percorso, voci, volte);
      // The check that the file is still the one loaded, at its dearest: the whole file hashed,
      // as when another file of the same size stands in its place.
      controllo = mediana(volte, [&] { (void)impronta_file(percorso); });
    }
    std::printf("%8d %7.0f ms %7.0f ms %7.0f ms %7.0f ms %6.2f us %6.2f us %8.1f %9.0f\n", voci,
                salva, salvaOltre, carica, caricaOltre, 1000 * salvaOltre / voci,
                1000 * caricaOltre / voci, double(QFileInfo(percorso).size()) / voci, picco);
    std::printf(
        "%8s file check (hash) %.1f ms: %.0f%% of the save beyond the key derivation "
        "(goal: under 10%%)\n",
        "", controllo, 100 * controllo / salvaOltre);
    if (voci == 100000)
      std::printf(
          "%8s goals at 100,000: save and load beyond the key derivation <= 2 us an entry "
          "(%.2f, %.2f); peak over save then load <= 300 MiB (%.0f)\n",
          "", 1000 * salvaOltre / voci, 1000 * caricaOltre / voci, picco);
  }

  // Short entries without a description: the file's size per entry.
  std::printf("\nentries \"name123\", \"user123\", \"pw123\", no description:\n");
  for (const int voci : dimensioni) {
    copione::Banco banco(cifrario);
    for (int i = 0; i < voci; ++i)
      copione::aggiungiVoce(banco.scheda.elenco, QStringLiteral("name%1").arg(i),
                            QStringLiteral("user%1").arg(i), QStringLiteral("pw%1").arg(i), {});
    const QString percorso = cartella.filePath(QStringLiteral("corte%1.kvx").arg(voci));
    banco.dialog.risposte.push_back(percorso);
    banco.richiesta.risposte.push_back(chiave);  // asked twice on saving
    banco.richiesta.risposte.push_back(chiave);
    menu_salva(banco.scheda, banco.file, banco.ambiente);
    std::printf("%8d entries: %6.1f bytes/entry\n", voci,
                double(QFileInfo(percorso).size()) / voci);
  }
}

}  // namespace

REGISTRA_BENCH("list file: save and load", file);

}  // namespace custodex::bench
