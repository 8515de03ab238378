#include "list/albero.h"

#include <algorithm>

#include "comune/azzera.h"
#include "comune/errore.h"

namespace custodex {

Nodo::~Nodo() {
  azzera(chiave);
  azzera(etichetta);
}

namespace {

[[noreturn]] void nodoMancante() {
  throw Errore(Errore::NodoMancante, QStringLiteral("Variabile oggetto non impostata"));
}

// Grows as push_back would, but before anything has changed.
template <class T>
void spazioPerUno(std::vector<T>& v) {
  if (v.size() == v.capacity()) v.reserve(std::max<std::size_t>(4, v.capacity() * 2));
}

}  // namespace

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

Nodo* Albero::Add(Nodo* relativo, std::optional<Relazione> relazione, QStringView key,
                  QStringView text, Immagine image, Immagine selectedImage) {
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
  QString chiave = key.toString();
  if (!chiave.isEmpty() && chiavi_.contains(chiave))
    throw Errore(Errore::ChiaveNonUnica, QStringLiteral("La chiave non è univoca"));

  auto nuovo = std::unique_ptr<Nodo>(new Nodo);
  Nodo* n = nuovo.get();
  n->testo.imposta(text);
  n->chiave = std::move(chiave);
  n->immagine = image;
  n->immagineSelezionata = selectedImage;
  n->padre = padre;
  n->indice = Count();
  n->riga = static_cast<int>(riga);

  // Room first, so that running out of memory leaves the tree and the view as they were.
  auto& f = padre ? padre->figli : radici_;
  spazioPerUno(nodi_);
  spazioPerUno(f);
  if (!n->chiave.isEmpty()) chiavi_.insert(n->chiave, n);
  try {
    if (osservatore_) osservatore_->primaDiAggiungere(padre, static_cast<int>(riga));
  } catch (...) {
    if (!n->chiave.isEmpty()) chiavi_.remove(n->chiave);
    throw;
  }
  nodi_.push_back(std::move(nuovo));
  f.insert(f.begin() + static_cast<std::ptrdiff_t>(riga), n);
  rinumeraRighe(f, riga + 1);
  ++versione_;
  if (osservatore_) osservatore_->dopoAggiunto();
  return n;
}

void Albero::Remove(qint64 indice) {
  Nodo* radice = Item(indice);
  // Room first, so that running out of memory leaves the tree and the view as they were.
  std::vector<Nodo*> pila;
  pila.reserve(nodi_.size());
  const bool avvisa = osservatore_ != nullptr;
  if (avvisa) osservatore_->primaDiRimuovere(radice->padre, radice->riga);

  auto& f = fratelli(radice);
  const auto riga = static_cast<std::size_t>(radice->riga);
  f.erase(f.begin() + static_cast<std::ptrdiff_t>(riga));
  rinumeraRighe(f, riga);

  // Mark the subtree by detaching it, then close the gaps in the collection in one pass.
  pila.push_back(radice);
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
  ++versione_;

  if (avvisa) osservatore_->dopoRimosso();
}

void Albero::Clear() {
  // The old nodes go (wiped) when `vuoto` does, after the view has let go of them.
  Albero vuoto;
  sostituisci(vuoto);
}

void Albero::sostituisci(Albero& altro) {
  if (osservatore_) osservatore_->inizioBlocco();
  nodi_.swap(altro.nodi_);
  radici_.swap(altro.radici_);
  chiavi_.swap(altro.chiavi_);
  std::swap(selezionato_, altro.selezionato_);
  if (!nodi_.empty() || !altro.nodi_.empty()) ++versione_;
  if (osservatore_) osservatore_->fineBlocco();
}

void Albero::riserva(int nodi) {
  nodi_.reserve(static_cast<std::size_t>(nodi));
}

void Albero::setText(Nodo* n, QStringView testo) {
  richiedi(n)->testo.imposta(testo);
  ++versione_;
  if (osservatore_) osservatore_->nodoCambiato(n);
}

void Albero::setTag(Nodo* n, const QString& etichetta) {
  richiedi(n)->etichetta = etichetta;
}

void Albero::setExpandedImage(Nodo* n, Immagine immagine) {
  richiedi(n)->immagineEspansa = immagine;
  if (osservatore_) osservatore_->nodoCambiato(n);
}

void Albero::setExpanded(Nodo* n, bool espanso) {
  if (richiedi(n)->espanso == espanso) return;
  n->espanso = espanso;
  if (osservatore_) osservatore_->espansioneCambiata(n);
}

void Albero::setSelected(Nodo* n, bool selezionato) {
  richiedi(n);
  Nodo* nuovo = selezionato ? n : (selezionato_ == n ? nullptr : selezionato_);
  if (nuovo == selezionato_) return;
  Nodo* vecchio = selezionato_;
  selezionato_ = nuovo;
  if (osservatore_) {
    if (vecchio) osservatore_->nodoCambiato(vecchio);
    osservatore_->selezioneCambiata(nuovo);
  }
}

void Albero::rinumeraRighe(std::vector<Nodo*>& fratelli, std::size_t da) {
  for (std::size_t i = da; i < fratelli.size(); ++i) fratelli[i]->riga = static_cast<int>(i);
}

}  // namespace custodex
