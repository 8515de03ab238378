#pragma once

#include <QHash>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "comune/testo_segreto.h"

namespace custodex {

// An index into the image list `listaimg`, from 1; empty means no icon.
using Immagine = std::optional<qint16>;

// Where `Add` puts a node with respect to its relative.
enum class Relazione : int { Primo = 0, Ultimo = 1, Successivo = 2, Precedente = 3, Figlio = 4 };

class Albero;

// One node of the list tree. Its fields are read and written through the tree, which checks for
// a missing node and tells the view what changed.
class Nodo {
 public:
  // A node's texts are the user's passwords: wiped when it goes.
  ~Nodo();
  Nodo(const Nodo&) = delete;
  Nodo& operator=(const Nodo&) = delete;

 private:
  friend class Albero;
  friend class ModelloElenco;
  Nodo() = default;

  TestoSegreto testo;
  QString chiave, etichetta;
  Immagine immagine, immagineSelezionata, immagineEspansa;
  bool espanso = false;
  Nodo* padre = nullptr;
  std::vector<Nodo*> figli;
  int indice = 0;  // position in the collection, from 0
  int riga = 0;    // position among its siblings, from 0
};

// The list tree `elenco`: every node of every level in one collection numbered from 1 in the
// order of adding, plus the parent/child structure the view shows. Nothing else holds entries.
//
// A missing node (a null pointer) or an index outside 1..Count raises Errore; the commands' traps
// catch it.
class Albero {
 public:
  // What the view needs to hear. A bulk change (a load, a clear) is announced as a whole, between
  // inizioBlocco and fineBlocco.
  class Osservatore {
   public:
    virtual ~Osservatore() = default;
    virtual void primaDiAggiungere(Nodo* padre, int riga) = 0;
    virtual void dopoAggiunto() = 0;
    virtual void primaDiRimuovere(Nodo* padre, int riga) = 0;
    virtual void dopoRimosso() = 0;
    virtual void inizioBlocco() = 0;
    virtual void fineBlocco() = 0;
    virtual void nodoCambiato(Nodo* nodo) = 0;
    virtual void espansioneCambiata(Nodo* nodo) = 0;
    virtual void selezioneCambiata(Nodo* nodo) = 0;
  };

  Albero();
  ~Albero();
  Albero(const Albero&) = delete;
  Albero& operator=(const Albero&) = delete;

  void impostaOsservatore(Osservatore* osservatore) { osservatore_ = osservatore; }

  // The collection `Nodes`.
  int Count() const { return static_cast<int>(nodi_.size()); }
  Nodo* Item(qint64 indice) const;
  // The node keeps a copy of the text of its own.
  Nodo* Add(Nodo* relativo = nullptr, std::optional<Relazione> relazione = {}, QStringView key = {},
            QStringView text = {}, Immagine image = {}, Immagine selectedImage = {});
  void Remove(qint64 indice);
  void Clear();
  // Takes the nodes, structure and selection of `altro`, which gets this tree's in exchange: the
  // view hears of it as one bulk change. A tree built aside and put in place this way is never
  // seen half-built, and a build that fails leaves this one as it was.
  void sostituisci(Albero& altro);
  // Every node once, in index order. A plain iterator rather than a std::views adaptor, which
  // clang 14 cannot compile against libstdc++ 12.
  class Elenco {
   public:
    class Iteratore {
     public:
      explicit Iteratore(std::vector<Nodo*>::const_iterator i) : i_(i) {}
      Nodo* operator*() const { return *i_; }
      Iteratore& operator++() {
        ++i_;
        return *this;
      }
      bool operator==(const Iteratore&) const = default;

     private:
      std::vector<Nodo*>::const_iterator i_;
    };
    explicit Elenco(const std::vector<Nodo*>& nodi) : nodi_(nodi) {}
    Iteratore begin() const { return Iteratore(nodi_.begin()); }
    Iteratore end() const { return Iteratore(nodi_.end()); }

   private:
    const std::vector<Nodo*>& nodi_;
  };
  Elenco Nodes() const { return Elenco(nodi_); }

  Nodo* SelectedItem() const { return selezionato_; }
  void setSelectedItem(Nodo* nodo) { setSelected(nodo, true); }

  // Node fields.
  const QString& Text(const Nodo* n) const { return richiedi(n)->testo.testo(); }
  const QString& Key(const Nodo* n) const { return richiedi(n)->chiave; }
  const QString& Tag(const Nodo* n) const { return richiedi(n)->etichetta; }
  Immagine Image(const Nodo* n) const { return richiedi(n)->immagine; }
  Immagine SelectedImage(const Nodo* n) const { return richiedi(n)->immagineSelezionata; }
  Immagine ExpandedImage(const Nodo* n) const { return richiedi(n)->immagineEspansa; }
  bool Expanded(const Nodo* n) const { return richiedi(n)->espanso; }
  bool Selected(const Nodo* n) const { return richiedi(n) == selezionato_; }
  int Index(const Nodo* n) const { return richiedi(n)->indice + 1; }
  int Children(const Nodo* n) const { return static_cast<int>(richiedi(n)->figli.size()); }
  Nodo* Child(const Nodo* n) const;
  Nodo* Next(const Nodo* n) const;
  Nodo* Parent(const Nodo* n) const { return richiedi(n)->padre; }

  void setText(Nodo* n, QStringView testo);
  void setTag(Nodo* n, const QString& etichetta);
  void setExpandedImage(Nodo* n, Immagine immagine);
  void setExpanded(Nodo* n, bool espanso);
  void setSelected(Nodo* n, bool selezionato);

  // Counts the changes to the list's entries (nodes added, removed, texts changed, the tree
  // replaced): two equal readings mean the same entries. Expanding and selecting are not changes.
  quint64 versione() const { return versione_; }

  // The structure the view walks.
  const std::vector<Nodo*>& radici() const { return radici_; }
  const std::vector<Nodo*>& figli(const Nodo* n) const { return n ? n->figli : radici_; }
  // Makes room for a bulk load of about this many nodes.
  void riserva(int nodi);

 private:
  static const Nodo* richiedi(const Nodo* n);
  static Nodo* richiedi(Nodo* n);
  static void rinumeraRighe(std::vector<Nodo*>& fratelli, std::size_t da);
  std::vector<Nodo*>& fratelli(Nodo* n) { return n->padre ? n->padre->figli : radici_; }

  // Where the nodes live: blocks of many, so that a large list costs few allocations and its
  // memory can come in large pages; a removed node's place is taken by the next one made.
  class Deposito {
   public:
    Deposito() = default;
    ~Deposito();
    Deposito(const Deposito&) = delete;
    Deposito& operator=(const Deposito&) = delete;
    // Throws std::bad_alloc with nothing changed.
    Nodo* crea();
    void distruggi(Nodo* nodo) noexcept;
    void scambia(Deposito& altro) noexcept;
    // Room for this many more nodes in one block.
    void riserva(std::size_t nodi);

   private:
    struct Blocco;
    std::vector<Blocco> blocchi_;
    std::vector<Nodo*> liberi_;
  };

  // The collection's nodes, owned through the deposit: destroyed before it, in the destructor.
  Deposito deposito_;
  std::vector<Nodo*> nodi_;
  std::vector<Nodo*> radici_;
  QHash<QString, Nodo*> chiavi_;
  Nodo* selezionato_ = nullptr;
  Osservatore* osservatore_ = nullptr;
  quint64 versione_ = 0;
};

}  // namespace custodex
