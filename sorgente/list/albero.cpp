#include "list/albero.h"

#include <algorithm>

#include "comune/azzera.h"
#include "comune/errore.h"

namespace custodex {

Nodo::~Nodo() {
  azzera(testo);
  azzera(chiave);
  azzera(etichetta);
}

namespace {

[[noreturn]] void nodoMancante() {
  throw Errore(Errore::NodoMancante, QStringLiteral("Variabile oggetto non impostata"));
}

}  // namespace

Albero::Blocco::Blocco(Albero& albero) : albero_(albero) {
  if (albero_.blocchi_++ == 0 && albero_.osservatore_) albero_.osservatore_->inizioBlocco();
}

Albero::Blocco::~Blocco() {
  if (--albero_.blocchi_ == 0 && albero_.osservatore_) albero_.osservatore_->fineBlocco();
}

Albero::Albero() = default;
Albero::~Albero() = default;

const Nodo* Albero::richiedi(const Nodo* n) {
  if (!n) nodoMancante();
  return n;
}

Nodo* Albero::richiedi(Nodo* n) {
  if (!n) nodoMancante();
  return n;
}

Nodo* Albero::Item(qint64 indice) const {
  if (indice < 1 || indice > Count())
    throw Errore(Errore::IndiceNonValido, QStringLiteral("Indice non valido"));
  return nodi_[static_cast<std::size_t>(indice - 1)].get();
}

Nodo* Albero::Child(const Nodo* n) const {
  const auto& f = richiedi(n)->figli;
  return f.empty() ? nullptr : f.front();
}

Nodo* Albero::Next(const Nodo* n) const {
  const auto& f = figli(richiedi(n)->padre);
  const auto dopo = static_cast<std::size_t>(n->riga) + 1;
  return dopo < f.size() ? f[dopo] : nullptr;
}

Nodo* Albero::Add(Nodo* relativo, std::optional<Relazione> relazione, const QString& key,
                  const QString& text, Immagine image, Immagine selectedImage) {
  // Without a relative the node goes to the end of the top level, whatever the relationship.
  Nodo* padre = nullptr;
  std::size_t riga = radici_.size();
  if (relativo) {
    switch (relazione.value_or(Relazione::Successivo)) {
      case Relazione::Figlio:
        padre = relativo;
        riga = relativo->figli.size();
        break;
      case Relazione::Primo:
        padre = relativo->padre;
        riga = 0;
        break;
      case Relazione::Ultimo:
        padre = relativo->padre;
        riga = figli(padre).size();
        break;
      case Relazione::Successivo:
        padre = relativo->padre;
        riga = static_cast<std::size_t>(relativo->riga) + 1;
        break;
      case Relazione::Precedente:
        padre = relativo->padre;
        riga = static_cast<std::size_t>(relativo->riga);
        break;
      default:
        throw Errore(Errore::RelazioneNonValida, QStringLiteral("Relazione non valida"));
    }
  }
  if (!key.isEmpty() && chiavi_.contains(key))
    throw Errore(Errore::ChiaveNonUnica, QStringLiteral("La chiave non è univoca"));

  auto nuovo = std::unique_ptr<Nodo>(new Nodo);
  Nodo* n = nuovo.get();
  n->testo = text;
  n->chiave = key;
  n->immagine = image;
  n->immagineSelezionata = selectedImage;
  n->padre = padre;
  n->indice = Count();
  n->riga = static_cast<int>(riga);

  const bool avvisa = !inBlocco();
  if (avvisa) osservatore_->primaDiAggiungere(padre, static_cast<int>(riga));
  nodi_.push_back(std::move(nuovo));
  auto& f = padre ? padre->figli : radici_;
  f.insert(f.begin() + static_cast<std::ptrdiff_t>(riga), n);
  rinumeraRighe(f, riga + 1);
  if (!key.isEmpty()) chiavi_.insert(key, n);
  if (avvisa) osservatore_->dopoAggiunto();
  return n;
}

void Albero::Remove(qint64 indice) {
  Nodo* radice = Item(indice);
  const bool avvisa = !inBlocco();
  if (avvisa) osservatore_->primaDiRimuovere(radice->padre, radice->riga);

  auto& f = fratelli(radice);
  const auto riga = static_cast<std::size_t>(radice->riga);
  f.erase(f.begin() + static_cast<std::ptrdiff_t>(riga));
  rinumeraRighe(f, riga);

  // Mark the subtree by detaching it, then close the gaps in the collection in one pass.
  std::vector<Nodo*> pila{radice};
  while (!pila.empty()) {
    Nodo* n = pila.back();
    pila.pop_back();
    if (n == selezionato_) selezionato_ = nullptr;
    if (!n->chiave.isEmpty()) chiavi_.remove(n->chiave);
    n->indice = -1;
    pila.insert(pila.end(), n->figli.begin(), n->figli.end());
  }
  std::erase_if(nodi_, [](const std::unique_ptr<Nodo>& n) { return n->indice < 0; });
  for (std::size_t i = 0; i < nodi_.size(); ++i) nodi_[i]->indice = static_cast<int>(i);

  if (avvisa) osservatore_->dopoRimosso();
}

void Albero::Clear() {
  Blocco blocco(*this);
  radici_.clear();
  chiavi_.clear();
  selezionato_ = nullptr;
  nodi_.clear();
}

void Albero::riserva(int nodi) {
  nodi_.reserve(static_cast<std::size_t>(nodi));
}

void Albero::setText(Nodo* n, const QString& testo) {
  // The text replaced may be a password.
  if (&richiedi(n)->testo != &testo) azzera(n->testo);
  n->testo = testo;
  if (!inBlocco()) osservatore_->nodoCambiato(n);
}

void Albero::setTag(Nodo* n, const QString& etichetta) {
  richiedi(n)->etichetta = etichetta;
}

void Albero::setExpandedImage(Nodo* n, Immagine immagine) {
  richiedi(n)->immagineEspansa = immagine;
  if (!inBlocco()) osservatore_->nodoCambiato(n);
}

void Albero::setExpanded(Nodo* n, bool espanso) {
  if (richiedi(n)->espanso == espanso) return;
  n->espanso = espanso;
  if (!inBlocco()) osservatore_->espansioneCambiata(n);
}

void Albero::setSelected(Nodo* n, bool selezionato) {
  richiedi(n);
  Nodo* nuovo = selezionato ? n : (selezionato_ == n ? nullptr : selezionato_);
  if (nuovo == selezionato_) return;
  Nodo* vecchio = selezionato_;
  selezionato_ = nuovo;
  if (!inBlocco()) {
    if (vecchio) osservatore_->nodoCambiato(vecchio);
    osservatore_->selezioneCambiata(nuovo);
  }
}

void Albero::rinumeraRighe(std::vector<Nodo*>& fratelli, std::size_t da) {
  for (std::size_t i = da; i < fratelli.size(); ++i) fratelli[i]->riga = static_cast<int>(i);
}

}  // namespace custodex
