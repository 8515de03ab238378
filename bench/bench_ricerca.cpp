#include <cstdio>

#include "bench/comune.h"
#include "search/ricerca.h"
#include "supporto/copione.h"

// Find and find next over a whole list, beside a bare walk over the same texts: what the scan
// costs above reading every character once.

namespace custodex::bench {

namespace {

// Keeps the bare walk's sum alive, so that the compiler does not drop the walk.
volatile char16_t pozzo;

void ricerca() {
  std::printf("%8s %8s | %9s %9s %9s | %9s %9s %9s\n", "entries", "nodes", "walk ms", "lower ms",
              "qt ci ms", "find ms", "(first)", "next ms");
  for (const int voci : dimensioni) {
    copione::Banco b;
    Albero& elenco = b.scheda.elenco;
    riempi(elenco, voci);
    // Only the last node holds this, so that find next walks from the first node to the last.
    const QString ultima = QStringLiteral("Ultima Voce");
    elenco.setText(elenco.Item(elenco.Count()), ultima);

    // Every character of every node read once, with nothing else done.
    const double giro = mediana(9, [&] {
      char16_t somma = 0;
      for (qint64 i = 1; i <= elenco.Count(); ++i)
        for (const QChar c : elenco.Text(elenco.Item(i))) somma += c.unicode();
      pozzo = somma;
    });
    // Absent, though a third of the descriptions begin with it up to the blank.
    const QString assente = QStringLiteral("nessuna voce");
    bool trovato = false;
    // The scan as lower-casing every node's text into a new string would make it.
    const double minuscole = mediana(9, [&] {
      for (qint64 i = 1; i <= elenco.Count(); ++i)
        trovato = elenco.Text(elenco.Item(i)).toLower().contains(assente) || trovato;
    });
    // Qt's own case-insensitive search on each text.
    const double qt = mediana(9, [&] {
      for (qint64 i = 1; i <= elenco.Count(); ++i)
        trovato = elenco.Text(elenco.Item(i)).contains(assente, Qt::CaseInsensitive) || trovato;
    });

    // A find that matches nothing scans every node.
    const Tempi trova = misura(9, [&] {
      b.richiesta.risposte.push_back(assente);
      menu_trova(b.scheda, b.ricerca, b.ambiente);
    });
    const bool nessuno = b.ricerca.indice_trovato == 0;
    b.ricerca.parola_chiave = ultima.toLower();
    const double successivo = mediana(9, [&] {
      b.ricerca.indice_trovato = 0;
      menu_successivo(b.scheda, b.ricerca, b.ambiente);
    });
    if (!nessuno || trovato || b.ricerca.indice_trovato != elenco.Count())
      std::printf("!! the scan found the wrong node\n");
    std::printf("%8d %8d | %9.2f %9.2f %9.2f | %9.2f %9.2f %9.2f\n", voci, elenco.Count(), giro,
                minuscole, qt, trova.mediana, trova.prima, successivo);
    std::fflush(stdout);
  }
}

}  // namespace

REGISTRA_BENCH("search: menu_trova without a match, menu_successivo from first to last", ricerca);

}  // namespace custodex::bench
