#include "comune/errore.h"
#include "listfile/formati_esterni.h"

namespace custodex {

namespace {

const QString prefissoUsername = QStringLiteral("Username: ");
const QString prefissoPassword = QStringLiteral("Password: ");
const QString nessunaDescrizione = QStringLiteral("Nessuna Descrizione");

}  // namespace

std::vector<VoceEsterna> voci_dall_elenco(const Albero& elenco) {
  std::vector<VoceEsterna> voci;
  voci.reserve(elenco.radici().size());
  for (const Nodo* radice : elenco.radici()) {
    const std::vector<Nodo*>& figli = elenco.figli(radice);
    const bool forma = figli.size() == 3 && elenco.Text(figli[0]).startsWith(prefissoUsername) &&
                       elenco.Text(figli[1]).startsWith(prefissoPassword) &&
                       std::all_of(figli.begin(), figli.end(),
                                   [&](const Nodo* f) { return elenco.Children(f) == 0; });
    // Guessing which line is which would write a wrong value where a peer expects a password.
    if (!forma)
      throw Errore(Errore::TipoNonCorrispondente,
                   QStringLiteral("La voce «%1» non ha le righe Username, Password e descrizione "
                                  "di una voce: il file non è stato scritto.")
                       .arg(elenco.Text(radice)));
    VoceEsterna voce;
    voce.nome = TestoSegreto(elenco.Text(radice));
    voce.username =
        TestoSegreto(QStringView(elenco.Text(figli[0])).sliced(prefissoUsername.size()));
    voce.password =
        TestoSegreto(QStringView(elenco.Text(figli[1])).sliced(prefissoPassword.size()));
    // The placeholder is what an empty description looks like here, not something the user wrote.
    if (elenco.Text(figli[2]) != nessunaDescrizione)
      voce.descrizione = TestoSegreto(elenco.Text(figli[2]));
    voci.push_back(std::move(voce));
  }
  return voci;
}

void aggiungi_voci(Albero& elenco, const std::vector<VoceEsterna>& voci) {
  elenco.riserva(elenco.Count() + 4 * static_cast<int>(voci.size()));
  for (const VoceEsterna& v : voci) {
    const TestoSegreto username(unisci({prefissoUsername, v.username.vista()}));
    const TestoSegreto password(unisci({prefissoPassword, v.password.vista()}));
    Nodo* voce = elenco.Add(nullptr, {}, {}, v.nome.vista(), 1, 1);
    elenco.Add(voce, Relazione::Figlio, {}, username.vista(), 2, 2);
    elenco.Add(voce, Relazione::Figlio, {}, password.vista(), 2, 2);
    elenco.Add(voce, Relazione::Figlio, {},
               v.descrizione.isEmpty() ? QStringView(nessunaDescrizione) : v.descrizione.vista(), 3,
               3);
  }
}

}  // namespace custodex
