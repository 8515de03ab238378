#include "listfile/salva_carica.h"

#include <optional>
#include <vector>

#include "comune/azzera.h"
#include "comune/errore.h"
#include "listfile/conversioni.h"
#include "listfile/forma64.h"

namespace custodex {

namespace {

// Characters the reader passes over before an item name.
bool saltato(char16_t c) {
  return c <= 32 || c >= 127;
}

// The eight properties of a BasicInfo item, defaults first.
struct Proprieta {
  bool espanso = false;
  bool selezionato = false;
  Immagine immagineEspansa, immagine, immagineSelezionata;
  QStringView chiave, etichetta, testo;
  QString decodificati[3];  // what escaped items held; the views above may point into them

  Proprieta() = default;
  ~Proprieta() {
    for (QString& d : decodificati) azzera(d);
  }
  Proprieta(const Proprieta&) = delete;
  Proprieta& operator=(const Proprieta&) = delete;

  void decodifica(QStringView forma, int quale, QStringView& campo) {
    std::optional<QString> valore = forma64::decodifica(forma);
    if (!valore) nonConvertibile();
    azzera(decodificati[quale]);
    decodificati[quale] = std::move(*valore);
    campo = decodificati[quale];
  }

  void leggi(QStringView nome, QStringView v) {
    if (nome == u"Text") {
      testo = v;
    } else if (nome == u"Expanded") {
      espanso = valore_booleano(v);
    } else if (nome == u"Selected") {
      selezionato = valore_booleano(v);
    } else if (nome == u"Image") {
      immagine = valore_immagine(v);
    } else if (nome == u"SelectedImage") {
      immagineSelezionata = valore_immagine(v);
    } else if (nome == u"ExpandedImage") {
      immagineEspansa = valore_immagine(v);
    } else if (nome == u"Key") {
      chiave = v;
    } else if (nome == u"Tag") {
      etichetta = v;
    } else if (nome == u"Text64") {
      decodifica(v, 0, testo);
    } else if (nome == u"Key64") {
      decodifica(v, 1, chiave);
    } else if (nome == u"Tag64") {
      decodifica(v, 2, etichetta);
    }
  }
};

// The reader in one pass from front to back.
//
// The reading rules take items off nested values, each value ending at the ")" that balances its
// "(". Applied level by level as written, they count every character once for each level it lies
// in, and a deeply nested text takes quadratic time. Here each character is looked at once: a
// level does not learn where its value ends beforehand, it finds the end as the first ")" that
// closes nothing opened inside it. Between items, a level keeps count of the "(" it passed
// without reading them as items (the character dropped after an item may be one), so that their
// ")" are not taken for its end. This gives the same items as the rules; the tests check it
// against them.
class Lettore {
 public:
  // Nodes go into `elenco`, with no view watching it: a load builds its tree aside.
  Lettore(QStringView testo, Albero& elenco)
      : c_(testo.utf16()), n_(testo.size()), elenco_(elenco) {}

  // The fault met, if any.
  Lettura esito() const { return esito_; }

  // A level: the value of an item being read, or the whole text.
  struct Livello {
    bool chiuso;       // ends at a ")"; the whole text ends only at its end
    qsizetype aperte;  // "(" passed between items and not yet closed
  };

  // The next item of a level: its name and the position of its "(". None when the level's value
  // has ended, the position then standing on its closing ")" (or at the end of the text).
  struct Voce {
    bool fine;
    QStringView nome;
    qsizetype apre;
  };

  Voce prossima(Livello& l) {
    while (pos_ < n_ && saltato(c_[pos_])) ++pos_;
    const qsizetype inizio = pos_;
    for (; pos_ < n_; ++pos_) {
      const char16_t c = c_[pos_];
      if (c == u'(') {
        if (pos_ == inizio) return finisci(l);  // an empty name ends the value
        return {false, QStringView(c_ + inizio, c_ + pos_), pos_};
      }
      if (c == u')' && chiude(l)) return {true, {}, pos_};
    }
    return {true, {}, n_};
  }

  // Moves past what is left of a level's value, up to its closing ")".
  Voce finisci(Livello& l) {
    for (; pos_ < n_; ++pos_) {
      const char16_t c = c_[pos_];
      if (c == u'(')
        ++l.aperte;
      else if (c == u')' && chiude(l))
        return {true, {}, pos_};
    }
    return {true, {}, n_};
  }

  // The value of an item read as plain text: up to the ")" that balances its "(", where the
  // position is left.
  QStringView valore(qsizetype apre) {
    qsizetype aperte = 1;
    for (pos_ = apre + 1; pos_ < n_; ++pos_) {
      const char16_t c = c_[pos_];
      if (c == u'(')
        ++aperte;
      else if (c == u')' && --aperte == 0)
        break;
    }
    return QStringView(c_ + apre + 1, c_ + pos_);
  }

  // After an item of level `l` whose ")" stands at `j`: the one character after it goes unread,
  // unless it is the level's own ")".
  void dopo(Livello& l, qsizetype j) {
    const qsizetype k = j + 1;
    if (j >= n_ || k >= n_) {
      pos_ = n_;
      return;
    }
    const char16_t c = c_[k];
    if (c == u')' && l.chiuso && l.aperte == 0) {
      pos_ = k;
      return;
    }
    if (c == u'(')
      ++l.aperte;
    else if (c == u')' && l.aperte > 0)
      --l.aperte;
    pos_ = k + 1;
  }

  // Reads the Root or Child value that begins at the current position, adding its node under
  // `padre` and then its children. True when it stopped on a fault it reported. Otherwise the
  // position is left on the value's closing ")".
  bool nodo(Nodo* padre, bool chiuso) {
    pila_.clear();
    pila_.push_back({{chiuso, 0}, nullptr});
    if (!aggiungi(padre)) return true;
    for (;;) {
      Voce v = prossima(pila_.back().livello);
      if (v.fine) {
        pila_.pop_back();
        if (pila_.empty()) return false;
        dopo(pila_.back().livello, v.apre);
        continue;
      }
      if (v.nome != u"Child" || pila_.size() == massimoLivelli) return guasto(Lettura::Corrotta);
      Nodo* genitore = pila_.back().nodo;
      pos_ = v.apre + 1;
      pila_.push_back({{true, 0}, nullptr});
      if (!aggiungi(genitore)) return true;
    }
  }

  // The top level: the TreeView item and its Root items. False when it stopped on a fault.
  bool albero() {
    Livello testo{false, 0};
    const Voce v = prossima(testo);
    if (v.fine || v.nome != u"TreeView") return !guasto(Lettura::NonValida);

    // A written node takes at least 160 characters.
    elenco_.riserva(static_cast<int>(std::min<qsizetype>(n_ / 160, 1 << 24)));
    pos_ = v.apre + 1;
    Livello radici{true, 0};
    for (;;) {
      const Voce r = prossima(radici);
      if (r.fine) return true;  // what follows TreeView's ")" is not read
      if (r.nome != u"Root") return !guasto(Lettura::SenzaRoot);
      pos_ = r.apre + 1;
      if (nodo(nullptr, true)) return false;
      dopo(radici, pos_);
    }
  }

 private:
  struct Aperto {
    Livello livello;  // the Child items still to read
    Nodo* nodo;
  };

  // The level's own ")" when nothing passed inside it is still open; any other ")" closes one.
  static bool chiude(Livello& l) {
    if (l.aperte > 0) {
      --l.aperte;
      return false;
    }
    return l.chiuso;
  }

  // Notes the fault met; true, for the callers that stop on it.
  bool guasto(Lettura esito) {
    esito_ = esito;
    return true;
  }

  // Reads the BasicInfo item that must come first in the value on top of the stack, adds its
  // node and leaves the position after it. False, the fault noted, when it is not there.
  bool aggiungi(Nodo* padre) {
    Livello& livello = pila_.back().livello;
    const Voce v = prossima(livello);
    if (v.fine || v.nome != u"BasicInfo") return !guasto(Lettura::Corrotta);
    pos_ = v.apre + 1;
    Livello info{true, 0};
    Proprieta p;
    for (;;) {
      const Voce w = prossima(info);
      if (w.fine) break;
      const QStringView nome = w.nome;
      const QStringView testo = valore(w.apre);
      p.leggi(nome, testo);
      dopo(info, pos_);
    }
    const qsizetype fine = pos_;

    Nodo* nodo =
        elenco_.Add(padre, Relazione::Figlio, p.chiave, p.testo, p.immagine, p.immagineSelezionata);
    elenco_.setExpanded(nodo, p.espanso);
    elenco_.setExpandedImage(nodo, p.immagineEspansa);
    elenco_.setSelected(nodo, p.selezionato);
    elenco_.setTag(nodo, p.etichetta.toString());
    pila_.back().nodo = nodo;
    dopo(livello, fine);
    return true;
  }

  const char16_t* c_;
  qsizetype n_;
  qsizetype pos_ = 0;
  Albero& elenco_;
  Lettura esito_ = Lettura::Letta;
  std::vector<Aperto> pila_;
};

}  // namespace

void leggi_voce(QStringView& testo, QStringView& nome, QStringView& valore) {
  const qsizetype n = testo.size();
  qsizetype i = 0;
  while (i < n - 1 && saltato(testo[i].unicode())) ++i;
  const QStringView resto = testo.sliced(i);
  const qsizetype p = resto.indexOf(u'(');
  if (p <= 0) {
    testo = nome = valore = QStringView();
    return;
  }
  nome = resto.first(p);
  qsizetype j = p + 1;
  for (qsizetype aperte = 1; j < resto.size(); ++j) {
    const char16_t c = resto[j].unicode();
    if (c == u'(')
      ++aperte;
    else if (c == u')' && --aperte == 0)
      break;
  }
  valore = resto.sliced(p + 1, j - p - 1);
  // The ")" and the one character after it go.
  testo = j >= resto.size() - 1 ? QStringView() : resto.sliced(j + 2);
}

QString testi_file::lettura(Lettura esito) {
  switch (esito) {
    case Lettura::Letta:
      break;
    case Lettura::NonValida:
      return listaNonValida;
    case Lettura::SenzaRoot:
      return listaSenzaRoot;
    case Lettura::Corrotta:
      return listaCorrotta;
  }
  return {};
}

void avvisa_lettura(Lettura esito, Messaggi& messaggi) {
  if (esito != Lettura::Letta)
    messaggi.avviso(testi_file::lettura(esito), Messaggi::Icona::Nessuna);
}

Lettura carica_albero(Albero& elenco, QStringView testo) {
  // Built aside: out of memory leaves the list as it was, and the view never sees a half-built
  // tree. A text that is no list leaves it alone too.
  Albero nuovo;
  Lettore lettore(testo, nuovo);
  try {
    if (!lettore.albero() && lettore.esito() == Lettura::NonValida) return lettore.esito();
  } catch (const Errore&) {
    // A value that cannot be converted ends the load; what was read before it stays.
    elenco.sostituisci(nuovo);
    throw;
  }
  elenco.sostituisci(nuovo);
  return lettore.esito();
}

bool carica_albero(Albero& elenco, QStringView testo, Messaggi& messaggi) {
  const Lettura esito = carica_albero(elenco, testo);
  avvisa_lettura(esito, messaggi);
  return esito == Lettura::Letta;
}

bool carica_nodo(Albero& elenco, Nodo* padre, QStringView valore, Messaggi& messaggi) {
  Lettore lettore(valore, elenco);
  const bool fermato = lettore.nodo(padre, false);
  avvisa_lettura(lettore.esito(), messaggi);
  return fermato;
}

}  // namespace custodex
