#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

#include "bench/comune.h"
#include "comune/azzera.h"
#include "listfile/comandi_scambio.h"
#include "listfile/file_lista.h"
#include "listfile/formati_esterni.h"
#include "supporto/copione.h"

// An import of 10,000 entries, as a user moving from another keeper meets it: the file read, its
// entries parsed, and the tree grown; then the whole command.

namespace custodex::bench {

namespace {

void scambio() {
  constexpr int voci = 10000;
  QTemporaryDir cartella;
  const QString file = cartella.filePath(QStringLiteral("importa.csv"));
  {
    Albero elenco;
    riempi(elenco, voci);
    QByteArray byte = esporta_csv(voci_dall_elenco(elenco));
    scrivi_file_esportato(file, byte);
    azzera(byte);
  }
  const double lettura = mediana(5, [&] {
    QByteArray byte = leggi_file_esterno(file, massimoFileImportato);
    azzera(byte);
  });
  const double analisi = mediana(5, [&] {
    QByteArray byte = leggi_file_esterno(file, massimoFileImportato);
    (void)leggi_importazione(byte);
  });
  const double albero = mediana(5, [&] {
    QByteArray byte = leggi_file_esterno(file, massimoFileImportato);
    const Raccolta r = leggi_importazione(byte);
    Albero elenco;
    aggiungi_voci(elenco, r.voci);
  });
  const Tempi comando = misura(5, [&] {
    copione::Banco banco;
    banco.scambio.risposte.push_back(file);
    menu_importa(banco.scheda, banco.ambiente);
    if (banco.scheda.elenco.Count() != 4 * voci) std::printf("import failed\n");
  });
  std::printf("import of %d entries (KeePassXC CSV, %lld KiB), median ms of 5:\n", voci,
              static_cast<long long>(QFileInfo(file).size() >> 10));
  std::printf(
      "  read %.1f, read+parse %.1f, read+parse+tree %.1f, whole command %.1f (first %.1f)\n",
      lettura, analisi, albero, comando.mediana, comando.prima);
  std::printf("  beyond reading the file: %.1f ms\n\n", comando.mediana - lettura);
}

}  // namespace

REGISTRA_BENCH("scambio", scambio);

}  // namespace custodex::bench
