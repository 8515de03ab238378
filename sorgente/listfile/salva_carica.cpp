#include "listfile/salva_carica.h"

#include <algorithm>
#include <limits>
#include <new>
#include <vector>

#include "comune/errore.h"
#include "listfile/forma64.h"
#include "listfile/pagine_grandi.h"
#include "listfile/parentesi.h"

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
  [[noreturn]] static void fuoriMisura() { throw Errore(51, QStringLiteral("Errore interno")); }
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
  if (caratteri > massimo - prima) throw Errore(7, QStringLiteral("Memoria esaurita"));
  try {
    if (prima == 0)
      testo = QString(caratteri, Qt::Uninitialized);
    else
      testo.resize(prima + caratteri);
  } catch (const std::bad_alloc&) {
    throw Errore(7, QStringLiteral("Memoria esaurita"));
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

// The usual text-to-Boolean conversion: True or False in any letter case, or a decimal number,
// zero being false.
bool comeBooleano(QStringView v) {
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

// An image number: empty for none, else a decimal within the signed 16-bit range.
Immagine comeImmagine(QStringView v) {
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

// Reading rules 1 to 5, with the end of the item's value found by `chiusura`, given the text
// that starts at the item name and the position of its "(" in it.
template <class Chiusura>
void leggiVoce(QStringView& testo, QStringView& nome, QStringView& valore, Chiusura chiusura) {
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
  const qsizetype j = chiusura(resto, p);
  valore = resto.sliced(p + 1, j - p - 1);
  // The ")" and the one character after it go.
  testo = j >= resto.size() - 1 ? QStringView() : resto.sliced(j + 2);
}

// The position of the ")" that balances the "(" at `p`, or the text's length.
qsizetype contaChiusura(QStringView testo, qsizetype p) {
  qsizetype aperte = 1;
  for (qsizetype j = p + 1; j < testo.size(); ++j) {
    const char16_t c = testo[j].unicode();
    if (c == u'(') {
      ++aperte;
    } else if (c == u')' && --aperte == 0) {
      return j;
    }
  }
  return testo.size();
}

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
};

class Caricatore {
 public:
  Caricatore(Albero& elenco, Messaggi& messaggi, Parentesi* parentesi)
      : elenco_(elenco), messaggi_(messaggi), parentesi_(parentesi) {}

  void leggi(QStringView& testo, QStringView& nome, QStringView& valore) {
    if (parentesi_)
      leggi_voce(testo, nome, valore, *parentesi_);
    else
      leggi_voce(testo, nome, valore);
  }

  // carica_nodo's work, with the levels still being read on a stack of their own, so that no
  // nesting of the text can exhaust the program's.
  bool nodo(Nodo* padre, QStringView valore) {
    pila_.clear();
    if (!aggiungi(padre, valore)) return true;
    while (!pila_.empty()) {
      QStringView nome, voce;
      leggi(pila_.back().resto, nome, voce);
      if (nome.isEmpty()) {
        pila_.pop_back();
      } else if (nome != u"Child") {
        messaggi_.avviso(testoCorrotto, Messaggi::Icona::Nessuna);
        return true;
      } else if (!aggiungi(pila_.back().nodo, voce)) {
        return true;
      }
    }
    return false;
  }

 private:
  struct Livello {
    Nodo* nodo;
    QStringView resto;  // the Child items still to read
  };

  // Adds the node of one Root or Child value and puts it on the stack; false, after the
  // message, when the value does not begin with BasicInfo.
  bool aggiungi(Nodo* padre, QStringView valore) {
    QStringView nome, info;
    leggi(valore, nome, info);
    if (nome != u"BasicInfo") {
      messaggi_.avviso(testoCorrotto, Messaggi::Icona::Nessuna);
      return false;
    }
    Proprieta p;
    for (;;) {
      QStringView v;
      leggi(info, nome, v);
      if (nome.isEmpty()) break;
      if (nome == u"Text") {
        p.testo = v;
      } else if (nome == u"Expanded") {
        p.espanso = comeBooleano(v);
      } else if (nome == u"Selected") {
        p.selezionato = comeBooleano(v);
      } else if (nome == u"Image") {
        p.immagine = comeImmagine(v);
      } else if (nome == u"SelectedImage") {
        p.immagineSelezionata = comeImmagine(v);
      } else if (nome == u"ExpandedImage") {
        p.immagineEspansa = comeImmagine(v);
      } else if (nome == u"Key") {
        p.chiave = v;
      } else if (nome == u"Tag") {
        p.etichetta = v;
      } else if (nome == u"Text64") {
        p.decodifica(v, 0, p.testo);
      } else if (nome == u"Key64") {
        p.decodifica(v, 1, p.chiave);
      } else if (nome == u"Tag64") {
        p.decodifica(v, 2, p.etichetta);
      }
    }
    Nodo* nodo = elenco_.Add(padre, Relazione::Figlio, p.chiave.toString(), p.testo.toString(),
                             p.immagine, p.immagineSelezionata);
    elenco_.setExpanded(nodo, p.espanso);
    elenco_.setExpandedImage(nodo, p.immagineEspansa);
    elenco_.setSelected(nodo, p.selezionato);
    elenco_.setTag(nodo, p.etichetta.toString());
    pila_.push_back({nodo, valore});
    return true;
  }

  Albero& elenco_;
  Messaggi& messaggi_;
  Parentesi* parentesi_;
  std::vector<Livello> pila_;
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
  leggiVoce(testo, nome, valore, contaChiusura);
}

void leggi_voce(QStringView& testo, QStringView& nome, QStringView& valore, Parentesi& parentesi) {
  leggiVoce(testo, nome, valore, [&parentesi](QStringView resto, qsizetype p) {
    const qsizetype base = resto.utf16() - parentesi.inizio();
    return std::min(parentesi.chiusura(base + p) - base, resto.size());
  });
}

bool carica_albero(Albero& elenco, QStringView testo, Messaggi& messaggi) {
  Parentesi parentesi(testo);
  QStringView nome, valore;
  leggi_voce(testo, nome, valore, parentesi);
  if (nome != u"TreeView") {
    messaggi.avviso(testoNonValido, Messaggi::Icona::Nessuna);
    return false;
  }

  // The view hears of the whole load once, when it ends, however it ends.
  Albero::Blocco blocco(elenco);
  elenco.Clear();
  // A written node takes ten "(": its Root or Child, its BasicInfo and eight properties.
  elenco.riserva(static_cast<int>(std::min<qsizetype>(parentesi.aperture() / 10, 1 << 24)));
  Caricatore caricatore(elenco, messaggi, &parentesi);
  for (;;) {
    QStringView voce;
    leggi_voce(valore, nome, voce, parentesi);
    if (nome.isEmpty()) return true;
    if (nome != u"Root") {
      messaggi.avviso(testoRootMancante, Messaggi::Icona::Nessuna);
      return false;
    }
    if (caricatore.nodo(nullptr, voce)) return false;
  }
}

bool carica_nodo(Albero& elenco, Nodo* padre, QStringView valore, Messaggi& messaggi,
                 Parentesi* parentesi) {
  return Caricatore(elenco, messaggi, parentesi).nodo(padre, valore);
}

}  // namespace custodex
