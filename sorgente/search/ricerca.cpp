#include "search/ricerca.h"

#include "comune/testi.h"
#include "search/corrispondenza.h"

namespace custodex {

namespace {

const QString domanda = QStringLiteral("Inserire la parola chiave da cercare: ");

// The scan reads the count once, after the yield, and fetches every node from the tree afresh.
// Between two scans the tree may change: the index is a plain number, not a node.
qint64 cerca(const Albero& elenco, const QString& parola, qint64 da) {
  const Corrispondenza corrispondenza(parola);
  const qint64 conta = elenco.Count();
  for (qint64 i = da; i <= conta; ++i)
    if (corrispondenza.in(elenco.Text(elenco.Item(i)))) return i;
  return 0;
}

}  // namespace

void menu_trova(Scheda& scheda, StatoRicerca& ricerca, Ambiente& ambiente) {
  Albero& elenco = scheda.elenco;
  if (elenco.Count() <= 0) return;
  // A cancelled prompt leaves an empty keyword and the search goes on with it.
  ricerca.parola_chiave = ambiente.richiesta.chiedi(domanda).value_or(QString()).toLower();

  Modulo& modulo = ambiente.modulo;
  modulo.impostaStato(testi::statoRicerca);
  ambiente.eventi.lasciaScorrere();
  if (const qint64 i = cerca(elenco, ricerca.parola_chiave, 1)) {
    elenco.setSelectedItem(elenco.Item(i));
    modulo.focusElenco();
    modulo.impostaStato(testi::statoCompletato);
    ricerca.indice_trovato = i;
    return;
  }
  modulo.impostaStato(testi::statoCompletato);
}

void menu_successivo(Scheda& scheda, StatoRicerca& ricerca, Ambiente& ambiente) {
  if (ricerca.parola_chiave.isEmpty()) return;
  Albero& elenco = scheda.elenco;
  Modulo& modulo = ambiente.modulo;
  modulo.impostaStato(testi::statoRicerca);
  ambiente.eventi.lasciaScorrere();
  // No wrap-around: past the last match the selection stays where it is.
  if (const qint64 i = cerca(elenco, ricerca.parola_chiave, ricerca.indice_trovato + 1)) {
    elenco.setSelectedItem(elenco.Item(i));
    modulo.focusElenco();
    ricerca.indice_trovato = i;
  }
  modulo.impostaStato(testi::statoCompletato);
}

}  // namespace custodex
