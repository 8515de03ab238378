#include "listfile/salva_carica.h"

#include <algorithm>
#include <limits>
#include <new>
#include <vector>

#include "comune/errore.h"
#include "listfile/forma64.h"
#include "listfile/pagine_grandi.h"

namespace custodex {

namespace {

// ---------------------------------------------------------------------------------------------
// Writing
//
// The text is laid out once, in one string allocated at its exact size: the same walk runs first
// over a counter, then over the string.
//
// Escaped values. Key, Tag and Text are written verbatim whenever the reader will give them back
// whole, that is when their parentheses balance (see forma64.h); a list without such values is
// therefore written exactly in the plain form. A value that does not balance is written in the
// place of its plain item as an item of the derived name Key64, Tag64 or Text64 whose value is
// the base64 of the value's 16-bit characters, low byte first:
//
//     Text(a)b)   would cut the list short, so it is written as   Text64(YQApAGIA)
//
// The reader takes Key64, Tag64 and Text64 as the escaped forms of Key, Tag and Text: whichever
// of the plain and the escaped item comes last gives the value. A reader that knows nothing of
// them ignores the items as it ignores any unknown name, and loses only that one value.

constexpr qsizetype massimo = std::numeric_limits<int>::max();

// Counts what the writer appends.
struct Misura {
  qsizetype n = 0;
  void testo(QStringView t) { n += t.size(); }
  void spazi(qsizetype k) { n += k; }
  void base64(QStringView valore) { n += forma64::lunghezza(valore.size()); }
};

// Fills the string laid out at the measured size, front to back. Every step checks that it stays
// inside, so that a measure that fell short could never write past the end.
struct Scrittura {
  char16_t* c;
  char16_t* fine;
  void testo(QStringView s) {
    entra(s.size());
    c = std::copy_n(s.utf16(), s.size(), c);
  }
  void spazi(qsizetype k) {
    entra(k);
    c = std::fill_n(c, k, u' ');
  }
  void base64(QStringView valore) {
    QString forma;
    forma64::accoda(forma, valore);
    testo(forma);
  }
  void entra(qsizetype k) const {
    if (fine - c < k) fuoriMisura();
  }
  [[noreturn]] static void fuoriMisura() {
    throw Errore(Errore::ErroreInterno, QStringLiteral("Errore interno"));
  }
};

template <class Uscita>
void aCapo(Uscita& u, qsizetype spazi) {
  u.testo(u"\r\n");
  u.spazi(spazi);
}

template <class Uscita>
void scriviBooleano(Uscita& u, qsizetype rientro, QStringView nome, bool valore) {
  aCapo(u, rientro);
  u.testo(nome);
  u.testo(valore ? QStringView(u"(True)") : QStringView(u"(False)"));
}

template <class Uscita>
void scriviImmagine(Uscita& u, qsizetype rientro, QStringView nome, Immagine valore) {
  aCapo(u, rientro);
  u.testo(nome);
  u.testo(u"(");
  if (valore) {
    char16_t cifre[8];
    char16_t* fine = cifre + 8;
    char16_t* c = fine;
    int v = *valore;
    const bool negativo = v < 0;
    if (negativo) v = -v;
    do {
      *--c = static_cast<char16_t>(u'0' + v % 10);
      v /= 10;
    } while (v);
    if (negativo) *--c = u'-';
    u.testo(QStringView(c, fine));
  }
  u.testo(u")");
}

template <class Uscita>
void scriviTesto(Uscita& u, qsizetype rientro, QStringView nome, QStringView valore) {
  aCapo(u, rientro);
  u.testo(nome);
  if (forma64::sopravvive(valore)) {
    u.testo(u"(");
    u.testo(valore);
  } else {
    u.testo(u"64(");
    u.base64(valore);
  }
  u.testo(u")");
}

// The BasicInfo item of a node at depth `d`, properties in their fixed order.
template <class Uscita>
void scriviInfo(Uscita& u, const Albero& elenco, const Nodo* nodo, qsizetype d) {
  const bool espanso = elenco.Expanded(nodo);
  u.spazi(2 * d);
  u.testo(u"BasicInfo(");
  const qsizetype r = 2 * d + 2;
  scriviBooleano(u, r, u"Expanded", espanso);
  scriviImmagine(u, r, u"ExpandedImage", elenco.ExpandedImage(nodo));
  scriviImmagine(u, r, u"Image", elenco.Image(nodo));
  scriviTesto(u, r, u"Key", elenco.Key(nodo));
  scriviBooleano(u, r, u"Selected", elenco.Selected(nodo));
  scriviImmagine(u, r, u"SelectedImage", elenco.SelectedImage(nodo));
  scriviTesto(u, r, u"Tag", elenco.Tag(nodo));
  scriviTesto(u, r, u"Text", elenco.Text(nodo));
  aCapo(u, 2 * d);
  u.testo(u")");
}

// A node's block and its descendants', depth first. The walk keeps its own stack, so that no
// depth of tree can exhaust the program's.
struct Livello {
  const Nodo* prossimo;  // the next child to write
  qsizetype d;
};

template <class Uscita>
void scriviBlocco(Uscita& u, const Albero& elenco, const Nodo* nodo, qsizetype d,
                  std::vector<Livello>& pila) {
  pila.clear();
  scriviInfo(u, elenco, nodo, d);
  pila.push_back({elenco.Child(nodo), d});
  while (!pila.empty()) {
    Livello& livello = pila.back();
    if (const Nodo* figlio = livello.prossimo) {
      livello.prossimo = elenco.Next(figlio);
      const qsizetype dp = livello.d;
      aCapo(u, 2 * dp);
      u.testo(u"Child(\r\n");
      scriviInfo(u, elenco, figlio, dp + 1);
      pila.push_back({elenco.Child(figlio), dp + 1});
    } else {
      pila.pop_back();
      if (!pila.empty()) {
        aCapo(u, 2 * pila.back().d);
        u.testo(u")");
      }
    }
  }
}

template <class Uscita>
void scriviAlbero(Uscita& u, const Albero& elenco) {
  u.testo(u"TreeView(");
  std::vector<Livello> pila;
  // Top-level nodes in the order they were added, which is not always the order they are shown.
  for (const Nodo* nodo : elenco.Nodes()) {
    if (elenco.Parent(nodo)) continue;
    aCapo(u, 2);
    u.testo(u"Root(\r\n");
    scriviBlocco(u, elenco, nodo, 2, pila);
    aCapo(u, 2);
    u.testo(u")");
  }
  u.testo(u"\r\n)");
}

// Lengthens the text by the measured size and returns where the new part begins.
Scrittura allunga(QString& testo, qsizetype caratteri) {
  const qsizetype prima = testo.size();
  if (caratteri > massimo - prima)
    throw Errore(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
  try {
    if (prima == 0)
      testo = QString(caratteri, Qt::Uninitialized);
    else
      testo.resize(prima + caratteri);
  } catch (const std::bad_alloc&) {
    throw Errore(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
  }
  auto* inizio = reinterpret_cast<char16_t*>(testo.data());
  preferisciPagineGrandi(inizio + prima, static_cast<std::size_t>(caratteri) * 2);
  return {inizio + prima, inizio + prima + caratteri};
}

// ---------------------------------------------------------------------------------------------
// Reading

const QString testoNonValido = QStringLiteral(
    "Errore! Il file selezionato potrebbe non essere valido o la password inserita sbagliata!");
const QString testoRootMancante = QStringLiteral("Errore! Il file selezionato non è valido");
const QString testoCorrotto = QStringLiteral(
    "Attenzione! Il file selezionato è corrotto, alcune password potrebbero non funzionare");

[[noreturn]] void nonConvertibile() {
  throw Errore(Errore::TipoNonCorrispondente, QStringLiteral("Tipo non corrispondente"));
}

// Characters the reader passes over before an item name.
bool saltato(char16_t c) {
  return c <= 32 || c >= 127;
}

QStringView senzaSpazi(QStringView v) {
  while (!v.isEmpty() && v.front() == u' ') v = v.sliced(1);
  while (!v.isEmpty() && v.back() == u' ') v.chop(1);
  return v;
}

}  // namespace

bool valore_booleano(QStringView v) {
  if (v.compare(u"True", Qt::CaseInsensitive) == 0) return true;
  if (v.compare(u"False", Qt::CaseInsensitive) == 0) return false;
  v = senzaSpazi(v);
  if (!v.isEmpty() && (v.front() == u'+' || v.front() == u'-')) v = v.sliced(1);
  bool cifre = false, diverso = false, punto = false;
  for (const QChar c : v) {
    if (c == u'.' && !punto) {
      punto = true;
    } else if (c >= u'0' && c <= u'9') {
      cifre = true;
      diverso = diverso || c != u'0';
    } else {
      nonConvertibile();
    }
  }
  if (!cifre) nonConvertibile();
  return diverso;
}

Immagine valore_immagine(QStringView v) {
  if (v.isEmpty()) return std::nullopt;
  v = senzaSpazi(v);
  bool negativo = false;
  if (!v.isEmpty() && (v.front() == u'+' || v.front() == u'-')) {
    negativo = v.front() == u'-';
    v = v.sliced(1);
  }
  if (v.isEmpty()) nonConvertibile();
  int valore = 0;
  for (const QChar c : v) {
    if (c < u'0' || c > u'9') nonConvertibile();
    valore = valore * 10 + (c.unicode() - u'0');
    if (valore > 32768) nonConvertibile();
  }
  if (negativo) valore = -valore;
  if (valore > 32767) nonConvertibile();
  return static_cast<qint16>(valore);
}

namespace {

// The eight properties of a BasicInfo item, defaults first.
struct Proprieta {
  bool espanso = false;
  bool selezionato = false;
  Immagine immagineEspansa, immagine, immagineSelezionata;
  QStringView chiave, etichetta, testo;
  QString decodificati[3];  // what escaped items held; the views above may point into them

  void decodifica(QStringView forma, int quale, QStringView& campo) {
    std::optional<QString> valore = forma64::decodifica(forma);
    if (!valore) nonConvertibile();
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
  Lettore(QStringView testo, Albero& elenco, Messaggi& messaggi)
      : c_(testo.utf16()), n_(testo.size()), elenco_(elenco), messaggi_(messaggi) {}

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
      if (v.nome != u"Child") {
        messaggi_.avviso(testoCorrotto, Messaggi::Icona::Nessuna);
        return true;
      }
      Nodo* genitore = pila_.back().nodo;
      pos_ = v.apre + 1;
      pila_.push_back({{true, 0}, nullptr});
      if (!aggiungi(genitore)) return true;
    }
  }

  // The top level: the TreeView item and its Root items.
  bool albero() {
    Livello testo{false, 0};
    const Voce v = prossima(testo);
    if (v.fine || v.nome != u"TreeView") {
      messaggi_.avviso(testoNonValido, Messaggi::Icona::Nessuna);
      return false;
    }

    // The view hears of the whole load once, when it ends, however it ends.
    Albero::Blocco blocco(elenco_);
    elenco_.Clear();
    // A written node takes at least 160 characters.
    elenco_.riserva(static_cast<int>(std::min<qsizetype>(n_ / 160, 1 << 24)));
    pos_ = v.apre + 1;
    Livello radici{true, 0};
    for (;;) {
      const Voce r = prossima(radici);
      if (r.fine) return true;  // what follows TreeView's ")" is not read
      if (r.nome != u"Root") {
        messaggi_.avviso(testoRootMancante, Messaggi::Icona::Nessuna);
        return false;
      }
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

  // Reads the BasicInfo item that must come first in the value on top of the stack, adds its
  // node and leaves the position after it. False, after the message, when it is not there.
  bool aggiungi(Nodo* padre) {
    Livello& livello = pila_.back().livello;
    const Voce v = prossima(livello);
    if (v.fine || v.nome != u"BasicInfo") {
      messaggi_.avviso(testoCorrotto, Messaggi::Icona::Nessuna);
      return false;
    }
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

    Nodo* nodo = elenco_.Add(padre, Relazione::Figlio, p.chiave.toString(), p.testo.toString(),
                             p.immagine, p.immagineSelezionata);
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
  Messaggi& messaggi_;
  std::vector<Aperto> pila_;
};

}  // namespace

QString salva_albero(const Albero& elenco) {
  Misura misura;
  scriviAlbero(misura, elenco);
  QString testo;
  Scrittura scrittura = allunga(testo, misura.n);
  scriviAlbero(scrittura, elenco);
  if (scrittura.c != scrittura.fine) Scrittura::fuoriMisura();
  return testo;
}

void salva_nodo(const Albero& elenco, const Nodo* nodo, qint16 profondita, QString& testo) {
  std::vector<Livello> pila;
  Misura misura;
  scriviBlocco(misura, elenco, nodo, profondita, pila);
  Scrittura scrittura = allunga(testo, misura.n);
  scriviBlocco(scrittura, elenco, nodo, profondita, pila);
  if (scrittura.c != scrittura.fine) Scrittura::fuoriMisura();
}

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

bool carica_albero(Albero& elenco, QStringView testo, Messaggi& messaggi) {
  return Lettore(testo, elenco, messaggi).albero();
}

bool carica_nodo(Albero& elenco, Nodo* padre, QStringView valore, Messaggi& messaggi) {
  return Lettore(valore, elenco, messaggi).nodo(padre, false);
}

}  // namespace custodex
