#include "list/comandi_modifica.h"

#include <new>

#include "comune/errore.h"
#include "comune/testi.h"
#include "list/voce.h"

namespace custodex {

namespace {

TestoSegreto senzaEtichetta(const QString& testo, const QString& etichetta) {
  return TestoSegreto(QStringView(testo).sliced(etichetta.size()));
}

}  // namespace

void menu_modifica(Scheda& scheda, Ambiente& ambiente) {
  try {
    Albero& elenco = scheda.elenco;
    Nodo* selezionato = elenco.SelectedItem();
    if (!selezionato) return;
    Nodo* voce = voceDi(elenco, selezionato);
    if (!voce) {
      TestoSegreto testo(QStringView(elenco.Text(selezionato)));
      if (ambiente.modifica.modificaTesto(testo)) elenco.setText(selezionato, testo.vista());
      return;
    }

    const std::vector<Nodo*>& righe = elenco.figli(voce);
    ModificaVoce::Valori valori{TestoSegreto(QStringView(elenco.Text(voce))),
                                senzaEtichetta(elenco.Text(righe[0]), etichettaUsername),
                                senzaEtichetta(elenco.Text(righe[1]), etichettaPassword),
                                TestoSegreto(QStringView(elenco.Text(righe[2])))};
    // Refused, the dialog comes back with what the user typed, as the form keeps it for "Aggiungi".
    for (;;) {
      if (!ambiente.modifica.modificaVoce(valori)) return;
      if (!valori.nome.isEmpty()) break;
      ambiente.messaggi.avviso(testi::nomeMancante, Messaggi::Icona::Critica);
    }
    if (valori.descrizione.isEmpty()) valori.descrizione.imposta(senzaDescrizione);

    // The labelled texts are copies of their own, wiped as they go.
    const TestoSegreto username(etichettaUsername + valori.username.testo());
    const TestoSegreto password(etichettaPassword + valori.password.testo());
    elenco.setText(voce, valori.nome.vista());
    elenco.setText(righe[0], username.vista());
    elenco.setText(righe[1], password.vista());
    elenco.setText(righe[2], valori.descrizione.vista());
  } catch (const Errore&) {
  } catch (const std::bad_alloc&) {
  }
}

void menu_genera(Scheda&, Ambiente& ambiente) {
  if (const std::optional<TestoSegreto> password = ambiente.generatore.genera())
    ambiente.modulo.imposta(Modulo::Campo::Password, password->vista());
}

}  // namespace custodex
