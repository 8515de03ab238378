#include "listfile/salva_carica.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "comune/azzera.h"
#include "comune/errore.h"
#include "listfile/buffer_azzerato.h"
#include "listfile/conversioni.h"
#include "listfile/forma64.h"

namespace custodex {

namespace {

// Characters the reader passes over before an item name. In the compact form every byte of a
// character beyond ASCII is passed over, as the character is.
bool saltato(unsigned char c) {
  return c <= 32 || c >= 127;
}
bool saltato(char16_t c) {
  return c <= 32 || c >= 127;
}

// The properties a BasicInfo item may hold, known by their names.
enum class Nome {
  Altro,
  Text,
  Expanded,
  Selected,
  Image,
  SelectedImage,
  ExpandedImage,
  Key,
  Tag,
  Text64,
  Key64,
  Tag64
};

// A Key, Tag or Text value: where it lies in the text, or what its escaped form held.
struct Valore {
  qint64 da = 0, a = 0;
  bool decodificato = false;
  QString testo;  // when decodificato

  ~Valore() { azzera(testo); }
};

// The eight properties of a BasicInfo item, defaults first.
struct Proprieta {
  bool espanso = false;
  bool selezionato = false;
  Immagine immagineEspansa, immagine, immagineSelezionata;
  Valore chiave, etichetta, testo;
};

// The reader in one pass from front to back, over the compact form a block at a time.
//
// The reading rules take items off nested values, each value ending at the ")" that balances its
// "(". Applied level by level as written, they count every character once for each level it lies
// in, and a deeply nested text takes quadratic time. Here each character is looked at once: a
// level does not learn where its value ends beforehand, it finds the end as the first ")" that
// closes nothing opened inside it. Between items, a level keeps count of the "(" it passed
// without reading them as items (the character dropped after an item may be one), so that their
// ")" are not taken for its end. This gives the same items as the rules; the tests check it
// against them.
//
// The text is never whole in memory: a window of it moves along, positions counting from the
// text's start. What the window must keep is the name being read and, while a BasicInfo item is
// read, the whole item, whose values become the node's; it grows only for an item larger than
// itself.
class Lettore {
 public:
  // Nodes go into `elenco`, with no view watching it: a load builds its tree aside.
  Lettore(compatto::Fonte& fonte, Albero& elenco, qint64 stima = -1)
      : fonte_(fonte), elenco_(elenco), stima_(stima), finestra_(primaFinestra) {}

  // The fault met, if any.
  Lettura esito() const { return esito_; }

  // A level: the value of an item being read, or the whole text.
  struct Livello {
    bool chiuso;    // ends at a ")"; the whole text ends only at its end
    qint64 aperte;  // "(" passed between items and not yet closed
  };

  // The next item of a level: where its name begins and the position of its "(". None when the
  // level's value has ended, the position then standing on its closing ")" (or at the end of the
  // text).
  struct Voce {
    bool fine;
    qint64 nome;
    qint64 apre;
  };

  Voce prossima(Livello& l) {
    // The window's bytes are scanned directly, the end of what it holds checked once a run.
    for (;;) {
      if (pos_ == fine_ && !riempi(pos_)) return {true, 0, pos_};
      const unsigned char* p = finestra_.dati() + (pos_ - base_);
      const unsigned char* const e = finestra_.dati() + (fine_ - base_);
      // Indentation eight blanks at a time.
      for (std::uint64_t otto; p + 8 <= e && (std::memcpy(&otto, p, 8), otto == spazi8);) p += 8;
      while (p < e && saltato(*p)) ++p;
      pos_ = base_ + (p - finestra_.dati());
      if (p < e) break;
    }
    const qint64 inizio = pos_;
    for (;;) {
      if (pos_ == fine_ && !riempi(inizio)) return {true, 0, pos_};
      const unsigned char* p = finestra_.dati() + (pos_ - base_);
      const unsigned char* const e = finestra_.dati() + (fine_ - base_);
      while (p < e && *p != '(' && *p != ')') ++p;
      pos_ = base_ + (p - finestra_.dati());
      if (p == e) continue;
      if (*p == '(') {
        if (pos_ == inizio) return finisci(l);  // an empty name ends the value
        return {false, inizio, pos_};
      }
      if (chiude(l)) return {true, 0, pos_};
      ++pos_;
    }
  }

  // Moves past what is left of a level's value, up to its closing ")".
  Voce finisci(Livello& l) {
    for (;; ++pos_) {
      if (pos_ == fine_ && !riempi(pos_)) return {true, 0, pos_};
      const unsigned char c = a(pos_);
      if (c == '(')
        ++l.aperte;
      else if (c == ')' && chiude(l))
        return {true, 0, pos_};
    }
  }

  // The value of an item read as plain text: from after its "(" up to the ")" that balances it,
  // where the position is left.
  std::pair<qint64, qint64> valore(qint64 apre) {
    qint64 aperte = 1;
    pos_ = apre + 1;
    for (;;) {
      if (pos_ == fine_ && !riempi(apre + 1)) break;
      const unsigned char* p = finestra_.dati() + (pos_ - base_);
      const unsigned char* const e = finestra_.dati() + (fine_ - base_);
      for (; p < e; ++p) {
        if (*p == '(')
          ++aperte;
        else if (*p == ')' && --aperte == 0)
          break;
      }
      pos_ = base_ + (p - finestra_.dati());
      if (p < e) break;
    }
    return {apre + 1, pos_};
  }

  // After an item of level `l` whose ")" stands at `j`: the one character after it goes unread,
  // unless it is the level's own ")". In the compact form the bytes after the first of a longer
  // character are passed over before the next name, as the character would be.
  void dopo(Livello& l, qint64 j) {
    const qint64 k = j + 1;
    while (k >= fine_)
      if (!riempi(k)) {
        pos_ = fine_;
        return;
      }
    const unsigned char c = a(k);
    if (c == ')' && l.chiuso && l.aperte == 0) {
      pos_ = k;
      return;
    }
    if (c == '(')
      ++l.aperte;
    else if (c == ')' && l.aperte > 0)
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
      if (!chiamata(v, "Child") || pila_.size() == massimoLivelli) return guasto(Lettura::Corrotta);
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
    if (v.fine || !chiamata(v, "TreeView")) return !guasto(Lettura::NonValida);

    // A written node takes at least 160 characters.
    if (stima_ > 0) elenco_.riserva(static_cast<int>(std::min<qint64>(stima_ / 160, 1 << 24)));
    pos_ = v.apre + 1;
    Livello radici{true, 0};
    for (;;) {
      const Voce r = prossima(radici);
      if (r.fine) return true;  // what follows TreeView's ")" is not read
      if (!chiamata(r, "Root")) return !guasto(Lettura::SenzaRoot);
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

  static constexpr std::size_t primaFinestra = 256 * 1024;
  static constexpr qint64 niente = std::numeric_limits<qint64>::max();
  static constexpr std::uint64_t spazi8 = 0x2020202020202020ull;

  unsigned char a(qint64 p) const { return finestra_.dati()[p - base_]; }

  // Brings more of the text into the window, keeping it from `tieni` on (and from where a
  // BasicInfo item being read began). False at the end of the text.
  bool riempi(qint64 tieni) {
    if (finito_) return false;
    tieni = std::min({tieni, tieni_, fine_});
    auto tenuti = static_cast<std::size_t>(fine_ - tieni);
    if (tieni > base_) {
      unsigned char* d = finestra_.dati();
      std::memmove(d, d + (tieni - base_), tenuti);
      base_ = tieni;
    }
    if (finestra_.capienza() - tenuti < primaFinestra / 2)
      finestra_.cresci(2 * finestra_.capienza(), tenuti);
    const std::size_t letti =
        fonte_.leggi(finestra_.dati() + tenuti, finestra_.capienza() - tenuti);
    if (letti == 0) {
      finito_ = true;
      return false;
    }
    fine_ += static_cast<qint64>(letti);
    return true;
  }

  // Whether the item's name is `nome`. Its bytes are still in the window: nothing was read
  // since the name.
  template <std::size_t N>
  bool chiamata(const Voce& v, const char (&nome)[N]) const {
    return v.apre - v.nome == qint64{N - 1} &&
           std::memcmp(finestra_.dati() + (v.nome - base_), nome, N - 1) == 0;
  }

  Nome proprieta(const Voce& v) const {
    switch (v.apre - v.nome) {
      case 3:
        return chiamata(v, "Key") ? Nome::Key : chiamata(v, "Tag") ? Nome::Tag : Nome::Altro;
      case 4:
        return chiamata(v, "Text") ? Nome::Text : Nome::Altro;
      case 5:
        return chiamata(v, "Image")   ? Nome::Image
               : chiamata(v, "Key64") ? Nome::Key64
               : chiamata(v, "Tag64") ? Nome::Tag64
                                      : Nome::Altro;
      case 6:
        return chiamata(v, "Text64") ? Nome::Text64 : Nome::Altro;
      case 8:
        return chiamata(v, "Expanded")   ? Nome::Expanded
               : chiamata(v, "Selected") ? Nome::Selected
                                         : Nome::Altro;
      case 13:
        return chiamata(v, "SelectedImage")   ? Nome::SelectedImage
               : chiamata(v, "ExpandedImage") ? Nome::ExpandedImage
                                              : Nome::Altro;
      default:
        return Nome::Altro;
    }
  }

  // The characters of a value, in a buffer of the reader's that keeps them until the next call
  // with the same buffer.
  QStringView caratteri(qint64 da, qint64 a, BufferAzzerato& buffer) {
    const auto n = static_cast<std::size_t>(a - da);
    if (n == 0) return {};
    buffer.cresci(2 * n);
    auto* uscita = reinterpret_cast<char16_t*>(buffer.dati());
    const std::size_t m = compatto::decodifica(finestra_.dati() + (da - base_), n, uscita);
    return QStringView(uscita, static_cast<qsizetype>(m));
  }

  QStringView caratteri(const Valore& v, BufferAzzerato& buffer) {
    if (v.decodificato) return v.testo;
    return caratteri(v.da, v.a, buffer);
  }

  void leggi(Proprieta& p, Nome nome, qint64 da, qint64 a) {
    const auto escluso = [&](Valore& v) {
      std::optional<QString> decodificato = forma64::decodifica(
          std::span(finestra_.dati() + (da - base_), static_cast<std::size_t>(a - da)));
      if (!decodificato) nonConvertibile();
      azzera(v.testo);
      v.testo = std::move(*decodificato);
      v.decodificato = true;
    };
    const auto semplice = [&](Valore& v) {
      v.da = da;
      v.a = a;
      v.decodificato = false;
    };
    switch (nome) {
      case Nome::Text:
        return semplice(p.testo);
      case Nome::Key:
        return semplice(p.chiave);
      case Nome::Tag:
        return semplice(p.etichetta);
      case Nome::Expanded:
        p.espanso = valore_booleano(caratteri(da, a, breve_));
        return;
      case Nome::Selected:
        p.selezionato = valore_booleano(caratteri(da, a, breve_));
        return;
      case Nome::Image:
        p.immagine = valore_immagine(caratteri(da, a, breve_));
        return;
      case Nome::SelectedImage:
        p.immagineSelezionata = valore_immagine(caratteri(da, a, breve_));
        return;
      case Nome::ExpandedImage:
        p.immagineEspansa = valore_immagine(caratteri(da, a, breve_));
        return;
      case Nome::Text64:
        return escluso(p.testo);
      case Nome::Key64:
        return escluso(p.chiave);
      case Nome::Tag64:
        return escluso(p.etichetta);
      case Nome::Altro:
        return;
    }
  }

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
    if (v.fine || !chiamata(v, "BasicInfo")) return !guasto(Lettura::Corrotta);
    pos_ = v.apre + 1;
    // The values are read where they lie in the window, which keeps them until the node is made.
    tieni_ = pos_;
    Livello info{true, 0};
    Proprieta p;
    for (;;) {
      const Voce w = prossima(info);
      if (w.fine) break;
      const Nome nome = proprieta(w);
      const auto [da, a] = valore(w.apre);
      leggi(p, nome, da, a);
      dopo(info, pos_);
    }
    const qint64 fine = pos_;

    Nodo* nodo = elenco_.Add(padre, Relazione::Figlio, caratteri(p.chiave, chiave_),
                             caratteri(p.testo, testo_), p.immagine, p.immagineSelezionata);
    elenco_.setExpanded(nodo, p.espanso);
    elenco_.setExpandedImage(nodo, p.immagineEspansa);
    elenco_.setSelected(nodo, p.selezionato);
    elenco_.setTag(nodo, caratteri(p.etichetta, breve_).toString());
    pila_.back().nodo = nodo;
    tieni_ = niente;
    dopo(livello, fine);
    return true;
  }

  compatto::Fonte& fonte_;
  Albero& elenco_;
  qint64 stima_;
  BufferAzzerato finestra_;
  qint64 base_ = 0;  // the text's position at the window's first byte
  qint64 fine_ = 0;  // the text's position after the window's last byte
  bool finito_ = false;
  qint64 tieni_ = niente;
  qint64 pos_ = 0;
  // Values as characters, for the tree to copy: every one held a secret.
  BufferAzzerato chiave_, testo_, breve_;
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

Lettura carica_albero(Albero& elenco, compatto::Fonte& testo, qint64 stima) {
  // Built aside: out of memory leaves the list as it was, and the view never sees a half-built
  // tree. A text that is no list leaves it alone too.
  Albero nuovo;
  Lettore lettore(testo, nuovo, stima);
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

Lettura carica_albero(Albero& elenco, QStringView testo) {
  compatto::FonteStringa fonte(testo);
  return carica_albero(elenco, fonte, testo.size());
}

bool carica_albero(Albero& elenco, QStringView testo, Messaggi& messaggi) {
  const Lettura esito = carica_albero(elenco, testo);
  avvisa_lettura(esito, messaggi);
  return esito == Lettura::Letta;
}

bool carica_nodo(Albero& elenco, Nodo* padre, QStringView valore, Messaggi& messaggi) {
  compatto::FonteStringa fonte(valore);
  Lettore lettore(fonte, elenco);
  const bool fermato = lettore.nodo(padre, false);
  avvisa_lettura(lettore.esito(), messaggi);
  return fermato;
}

}  // namespace custodex
