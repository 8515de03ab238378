#include "list/comandi_voce.h"

#include "comune/errore.h"
#include "comune/testi.h"

#include <new>

namespace custodex {

namespace {

using Campo = Modulo::Campo;

}  // namespace

void pls_aggiungi(Scheda& scheda, Ambiente& ambiente) {
  int numero = 0;
  try {
    Modulo& modulo = ambiente.modulo;
    scheda.username = TestoSegreto(modulo.testo(Campo::Username));
    scheda.password = TestoSegreto(modulo.testo(Campo::Password));
    scheda.nome = TestoSegreto(modulo.testo(Campo::Nome));
    scheda.descrizione = TestoSegreto(modulo.testo(Campo::Descrizione));
    if (scheda.descrizione.isEmpty()) scheda.descrizione.imposta(u"Nessuna Descrizione");
    if (scheda.nome.isEmpty()) throw Errore(Errore::NomeMancante, QStringLiteral("Nome mancante"));

    // Each node keeps copies of its own; the labelled texts are wiped as they go.
    const TestoSegreto username(QStringLiteral("Username: ") + scheda.username.testo());
    const TestoSegreto password(QStringLiteral("Password: ") + scheda.password.testo());
    Albero& elenco = scheda.elenco;
    Nodo* voce = elenco.Add(nullptr, {}, {}, scheda.nome.vista(), 1, 1);
    elenco.Add(voce, Relazione::Figlio, {}, username.vista(), 2, 2);
    elenco.Add(voce, Relazione::Figlio, {}, password.vista(), 2, 2);
    elenco.Add(voce, Relazione::Figlio, {}, scheda.descrizione.vista(), 3, 3);

    modulo.svuota(Campo::Username);
    modulo.svuota(Campo::Password);
    modulo.svuota(Campo::Descrizione);
    modulo.svuota(Campo::Nome);
    scheda.nnodi.aumenta();
  } catch (const Errore& e) {
    numero = e.numero();
  } catch (const std::bad_alloc&) {
    // Out of memory ends the command as any other error.
  }
  if (numero == Errore::NomeMancante)
    ambiente.messaggi.avviso(testi::nomeMancante, Messaggi::Icona::Critica);
}

void pls_elipass(Scheda& scheda, Ambiente&) {
  try {
    Albero& elenco = scheda.elenco;
    Nodo* selezionato = elenco.SelectedItem();
    // A node with children goes with its subtree; a leaf takes its parent along, so that any
    // line of an entry deletes the whole entry.
    if (elenco.Children(selezionato) != 0)
      elenco.Remove(elenco.Index(selezionato));
    else
      elenco.Remove(elenco.Index(elenco.Parent(selezionato)));
    scheda.nnodi.diminuisci();
  } catch (const Errore&) {
  } catch (const std::bad_alloc&) {
  }
}

void menu_nuova(Scheda& scheda, Ambiente& ambiente) {
  Modulo& modulo = ambiente.modulo;
  modulo.impostaStato(testi::statoInCorso);
  ambiente.eventi.lasciaScorrere();
  scheda.elenco.Clear();
  modulo.svuota(Campo::Nome);
  modulo.svuota(Campo::Descrizione);
  modulo.svuota(Campo::Password);
  modulo.svuota(Campo::Username);
  scheda.nnodi.imposta(0);
  modulo.impostaStato(testi::statoCompletato);
}

}  // namespace custodex
