#include "list/comandi_appunti.h"

#include <new>

#include "comune/errore.h"
#include "comune/testo_segreto.h"
#include "list/voce.h"

namespace custodex {

namespace {

// What is worth copying from a node: a user name or a password without its prefix, any other
// text whole.
QString valoreDi(const QString& testo) {
  for (const QLatin1String prefisso : {QLatin1String("Username: "), QLatin1String("Password: ")})
    if (testo.startsWith(prefisso)) return testo.sliced(prefisso.size());
  return testo;
}

}  // namespace

void copia(Scheda& scheda, Ambiente& ambiente) {
  try {
    const Albero& elenco = scheda.elenco;
    if (const Nodo* selezionato = elenco.SelectedItem()) {
      // The value cut from its label is a copy of its own; the clipboard shares it, and wipes it.
      const TestoSegreto valore(valoreDi(elenco.Text(selezionato)));
      ambiente.appunti.scriviSegreto(valore.testo());
    }
  } catch (const Errore&) {
  } catch (const std::bad_alloc&) {
  }
}

namespace {

void copiaRiga(Scheda& scheda, Ambiente& ambiente, int riga, const QString& etichetta) {
  try {
    const Albero& elenco = scheda.elenco;
    if (const Nodo* voce = voceDi(elenco, elenco.SelectedItem())) {
      const QString& testo = elenco.Text(elenco.figli(voce)[riga]);
      const TestoSegreto valore(QStringView(testo).sliced(etichetta.size()));
      ambiente.appunti.scriviSegreto(valore.testo());
    }
  } catch (const Errore&) {
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace

void copia_username(Scheda& scheda, Ambiente& ambiente) {
  copiaRiga(scheda, ambiente, 0, etichettaUsername);
}

void copia_password(Scheda& scheda, Ambiente& ambiente) {
  copiaRiga(scheda, ambiente, 1, etichettaPassword);
}

void incolla(Scheda& scheda, Ambiente& ambiente) {
  try {
    Albero& elenco = scheda.elenco;
    // The node is taken first and the clipboard read even with nothing selected; setting the text
    // of no node then ends the command, and nothing has changed.
    Nodo* selezionato = elenco.SelectedItem();
    const TestoSegreto testo(ambiente.appunti.testo());
    elenco.setText(selezionato, testo.vista());
  } catch (const Errore&) {
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace custodex
