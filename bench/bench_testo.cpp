#include <QCoreApplication>
#include <QTreeView>
#include <cstdio>

#include "bench/comune.h"
#include "list/modello_elenco.h"
#include "listfile/salva_carica.h"
#include "supporto/copione.h"

// The list text: writing a whole list, and reading it back into the tree that the main window's
// view is showing.

namespace custodex::bench {

namespace {

void testo() {
  std::printf("%8s %12s %11s %11s %11s %11s\n", "voci", "caratteri", "salva ms", "picco MiB",
              "carica ms", "picco MiB");
  for (const int voci : dimensioni) {
    const int volte = voci >= 100000 ? 5 : 9;
    QString testo;
    double salva = 0;
    {
      Albero fonte;
      riempi(fonte, voci);
      salva = mediana(volte, [&] { testo = salva_albero(fonte); });
    }
    const double piccoSalva = piccoMemoriaMiB();

    Albero elenco;
    ModelloElenco modello(elenco);
    QTreeView vista;
    vista.setModel(&modello);
    vista.resize(300, 500);
    vista.show();
    copione::MessaggiCopione messaggi;
    // Every timed load replaces a full list, as loading over an open one does; the time includes
    // the view catching up with the reset.
    carica_albero(elenco, testo, messaggi);
    QCoreApplication::processEvents();
    const double carica = mediana(volte, [&] {
      carica_albero(elenco, testo, messaggi);
      QCoreApplication::processEvents();
    });
    if (elenco.Count() != 4 * voci || !messaggi.avvisi.isEmpty())
      std::printf("!! il testo non è tornato intero\n");
    std::printf("%8d %12lld %11.1f %11.0f %11.1f %11.0f\n", voci,
                static_cast<long long>(testo.size()), salva, piccoSalva, carica, piccoMemoriaMiB());
    std::fflush(stdout);
  }
}

REGISTRA_BENCH("testo: salva_albero e carica_albero nel modello mostrato", testo);

}  // namespace

}  // namespace custodex::bench
