#include "list/albero.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>

#include "comune/azzera.h"
#include "comune/errore.h"
#include "comune/pagine_grandi.h"

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

struct Albero::Deposito::Blocco {
  // Raw memory for `capienza` nodes, of which the first `usati` have been handed out.
  struct Libera {
    void operator()(std::byte* p) const { std::free(p); }
  };
  std::unique_ptr<std::byte[], Libera> memoria;
  std::size_t capienza = 0, usati = 0;
};

Albero::Deposito::~Deposito() = default;

Nodo* Albero::Deposito::crea() {
  if (!liberi_.empty()) {
    Nodo* n = liberi_.back();
    liberi_.pop_back();
    return new (n) Nodo;
  }
  if (blocchi_.empty() || blocchi_.back().usati == blocchi_.back().capienza) {
    // Each block twice the one before, from a page's worth up to a few MiB.
    const std::size_t capienza =
        blocchi_.empty() ? 32 : std::clamp<std::size_t>(2 * blocchi_.back().capienza, 32, 32768);
    riserva(capienza);
  }
  Blocco& b = blocchi_.back();
  auto* posto = b.memoria.get() + b.usati * sizeof(Nodo);
  ++b.usati;
  return new (posto) Nodo;
}

void Albero::Deposito::riserva(std::size_t nodi) {
  if (nodi == 0) return;
  if (!blocchi_.empty() && blocchi_.back().capienza - blocchi_.back().usati >= nodi) return;
  spazioPerUno(blocchi_);
  // A freed place must always find room on the free list without allocating.
  std::size_t totale = nodi;
  for (const Blocco& b : blocchi_) totale += b.capienza;
  liberi_.reserve(totale);
  Blocco b;
  // Whole large pages, where the system has them: a large list's nodes then cost a page fault
  // for every few thousand instead of every few dozen.
  constexpr std::size_t pagina = std::size_t{2} << 20;
  const std::size_t byte = nodi * sizeof(Nodo);
  const std::size_t allineati = byte >= pagina ? (byte + pagina - 1) / pagina * pagina : 0;
  b.memoria.reset(static_cast<std::byte*>(allineati ? std::aligned_alloc(pagina, allineati)
                                                    : std::malloc(std::max<std::size_t>(byte, 1))));
  if (!b.memoria) throw std::bad_alloc();
  if (allineati) preferisciPagineGrandi(b.memoria.get(), allineati);
  b.capienza = nodi;
  blocchi_.push_back(std::move(b));
}

void Albero::Deposito::distruggi(Nodo* nodo) noexcept {
  nodo->~Nodo();
  // Room was made when the node was (see Albero::Add): this cannot throw.
  liberi_.push_back(nodo);
}

static_assert(alignof(Nodo) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);

void Albero::Deposito::scambia(Deposito& altro) noexcept {
  blocchi_.swap(altro.blocchi_);
  liberi_.swap(altro.liberi_);
}

Albero::Albero() = default;

Albero::~Albero() {
  for (Nodo* n : nodi_) n->~Nodo();
}

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
  return nodi_[static_cast<std::size_t>(indice - 1)];
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

  Nodo* n = deposito_.crea();
  // Until it is in the collection, the node is this function's to undo.
  struct Annulla {
    Deposito& deposito;
    Nodo* nodo;
    ~Annulla() {
      if (nodo) deposito.distruggi(nodo);
    }
  } annulla{deposito_, n};
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
  nodi_.push_back(n);
  annulla.nodo = nullptr;
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
  std::erase_if(nodi_, [this](Nodo* n) {
    if (n->indice >= 0) return false;
    deposito_.distruggi(n);
    return true;
  });
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
  deposito_.scambia(altro.deposito_);
  nodi_.swap(altro.nodi_);
  radici_.swap(altro.radici_);
  chiavi_.swap(altro.chiavi_);
  std::swap(selezionato_, altro.selezionato_);
  if (!nodi_.empty() || !altro.nodi_.empty()) ++versione_;
  if (osservatore_) osservatore_->fineBlocco();
}

void Albero::riserva(int nodi) {
  nodi_.reserve(static_cast<std::size_t>(nodi));
  deposito_.riserva(static_cast<std::size_t>(nodi));
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
