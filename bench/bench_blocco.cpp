#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/comune.h"
#include "listfile/comandi_blocco.h"
#include "listfile/nmcrypt.h"
#include "listfile/salva_carica.h"
#include "supporto/copione.h"

// Lock and unlock of a large list at the program's real cipher cost. The lock derives no key
// (it keeps the one of the last save); the unlock is a key derivation plus the reader.

namespace custodex::bench {

namespace {

template <class F>
double ms(F&& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void blocco() {
  const QString chiave = QStringLiteral("una chiave qualsiasi");
  constexpr int voci = 100000;
  NmCrypt cifrario;
  copione::Banco banco(cifrario);
  riempi(banco.scheda.elenco, voci);
  banco.file.versione = banco.scheda.elenco.versione();
  const QString prima = salva_albero(banco.scheda.elenco);
  const double tieni = ms([&] { banco.file.chiave = cifrario.tieni(chiave); });
  std::vector<double> blocca, sblocca;
  bool esatta = true;
  for (int i = 0; i < 3; ++i) {
    blocca.push_back(ms([&] { blocca_lista(banco.scheda, banco.file, banco.ambiente); }));
    banco.richiesta.risposte.push_back(chiave);
    sblocca.push_back(ms([&] { sblocca_lista(banco.scheda, banco.file, banco.ambiente); }));
    esatta = esatta && salva_albero(banco.scheda.elenco) == prima;
  }
  std::sort(blocca.begin(), blocca.end());
  std::sort(sblocca.begin(), sblocca.end());
  std::printf("%d entries: key kept at a save (one derivation) %.0f ms\n", voci, tieni);
  std::printf("lock %.0f ms, unlock (derivation + reader) %.0f ms, %s, peak %.0f MiB\n", blocca[1],
              sblocca[1], esatta ? "list back exactly" : "LIST DIFFERS", piccoMemoriaMiB());
}

}  // namespace

REGISTRA_BENCH("list lock: lock and unlock", blocco);

}  // namespace custodex::bench
