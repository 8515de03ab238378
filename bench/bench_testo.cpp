#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

#include "app/vista_elenco.h"
#include "bench/comune.h"
#include "list/modello_elenco.h"
#include "listfile/salva_carica.h"
#include "supporto/copione.h"

// The list text: writing a whole list, and reading it back into the tree that the main window's
// view (the same view class, on the offscreen platform) is showing.

namespace custodex::bench {

namespace {

// Starts the peak memory count afresh from what the process holds now, so that each step
// reports its own peak rather than the largest so far.
void azzeraPicco() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

void testo() {
  std::printf("%8s %11s | %9s %9s %9s | %9s %9s %9s\n", "entries", "characters", "write ms",
              "(first)", "peak MiB", "read ms", "(first)", "peak MiB");
  for (const int voci : dimensioni) {
    const int volte = voci >= 100000 ? 5 : 9;
    QString testo;
    Tempi salva;
    double piccoSalva = 0;
    {
      Albero fonte;
      riempi(fonte, voci);
      // A list in use: a few entries left open, one line selected.
      for (int i = 1; i <= fonte.Count(); i += 80) fonte.setExpanded(fonte.Item(i), true);
      fonte.setSelected(fonte.Item(fonte.Count() / 2), true);
      azzeraPicco();
      salva = misura(volte, [&] {
        testo.clear();
        testo = salva_albero(fonte);
      });
      piccoSalva = piccoMemoriaMiB();
    }

    Albero elenco;
    ModelloElenco modello(elenco);
    VistaElenco vista(modello);
    vista.resize(300, 500);
    vista.show();
    QCoreApplication::processEvents();
    copione::MessaggiCopione messaggi;
    bool intero = true;
    azzeraPicco();
    // The first load goes into the empty tree of a new window; every later one replaces a full
    // list, as loading over an open one does. The time includes the view catching up.
    const Tempi carica = misura(volte, [&] {
      intero = carica_albero(elenco, testo, messaggi) && intero;
      QCoreApplication::processEvents();
    });
    const double piccoCarica = piccoMemoriaMiB();
    if (!intero || elenco.Count() != 4 * voci || !messaggi.avvisi.isEmpty())
      std::printf("!! the text did not come back whole\n");
    std::printf("%8d %11lld | %9.1f %9.1f %9.0f | %9.1f %9.1f %9.0f\n", voci,
                static_cast<long long>(testo.size()), salva.mediana, salva.prima, piccoSalva,
                carica.mediana, carica.prima, piccoCarica);
    std::fflush(stdout);
  }
}

REGISTRA_BENCH("list text: salva_albero, and carica_albero into the shown model", testo);

}  // namespace

}  // namespace custodex::bench
