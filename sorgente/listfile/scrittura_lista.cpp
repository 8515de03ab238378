#include "listfile/salva_carica.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "comune/azzera.h"
#include "comune/errore.h"
#include "comune/pagine_grandi.h"
#include "listfile/buffer_azzerato.h"
#include "listfile/forma64.h"

namespace custodex {

namespace {

// The list text is laid out once, in one string allocated at its exact size: the same walk runs
// first over a counter, then over the string.
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
    azzera(forma);
  }
  void entra(qsizetype k) const {
    if (fine - c < k) fuoriMisura();
  }
  [[noreturn]] static void fuoriMisura() {
    throw Errore(Errore::ErroreInterno, QStringLiteral("Errore interno"));
  }
};

// Hands the text to a pozzo a block at a time, in compact form.
class Flusso {
 public:
  explicit Flusso(compatto::Pozzo& pozzo) : pozzo_(pozzo), blocco_(dimensione) {}

  void testo(QStringView s) {
    const char16_t* c = s.utf16();
    // Names, parentheses and most values: short, and ASCII, with room to spare.
    if (s.size() <= 32 && dimensione - n_ >= 32 * compatto::massimoPerCarattere) {
      unsigned char* u = blocco_.dati() + n_;
      for (qsizetype i = 0; i < s.size(); ++i) {
        if (c[i] < 0x80)
          *u++ = static_cast<unsigned char>(c[i]);
        else
          u += compatto::codifica(c + i, 1, u);
      }
      n_ = static_cast<std::size_t>(u - blocco_.dati());
      return;
    }
    for (auto resto = static_cast<std::size_t>(s.size()); resto > 0;) {
      const std::size_t k = std::min(resto, (dimensione - n_) / compatto::massimoPerCarattere);
      if (k == 0) {
        svuota();
        continue;
      }
      n_ += compatto::codifica(c, k, blocco_.dati() + n_);
      c += k;
      resto -= k;
    }
  }
  void spazi(qsizetype k) {
    for (auto resto = static_cast<std::size_t>(k); resto > 0;) {
      const std::size_t m = std::min(resto, dimensione - n_);
      if (m == 0) {
        svuota();
        continue;
      }
      std::fill_n(blocco_.dati() + n_, m, ' ');
      n_ += m;
      resto -= m;
    }
  }
  void base64(QStringView valore) {
    QString forma;
    forma64::accoda(forma, valore);
    testo(forma);
    azzera(forma);
  }
  // A line break and the indentation, the most frequent piece of all, copied whole.
  void aCapo(qsizetype spazi) {
    static constexpr std::size_t righe = 2 + 64;
    static const auto riga = [] {
      std::array<unsigned char, righe> r{};
      r[0] = '\r';
      r[1] = '\n';
      std::fill(r.begin() + 2, r.end(), ' ');
      return r;
    }();
    const auto n = static_cast<std::size_t>(spazi) + 2;
    if (n > righe || dimensione - n_ < n) {
      testo(u"\r\n");
      this->spazi(spazi);
      return;
    }
    std::memcpy(blocco_.dati() + n_, riga.data(), n);
    n_ += n;
  }
  void svuota() {
    if (n_ > 0) pozzo_.scrivi(blocco_.dati(), n_);
    n_ = 0;
  }

 private:
  static constexpr std::size_t dimensione = 64 * 1024;
  compatto::Pozzo& pozzo_;
  BufferAzzerato blocco_;
  std::size_t n_ = 0;
};

template <class Uscita>
void aCapo(Uscita& u, qsizetype spazi) {
  if constexpr (requires { u.aCapo(spazi); }) {
    u.aCapo(spazi);
  } else {
    u.testo(u"\r\n");
    u.spazi(spazi);
  }
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
      if (pila.size() == massimoLivelli)
        throw Errore(Errore::Overflow,
                     QStringLiteral("La lista è troppo profonda per essere salvata"));
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

void salva_albero(const Albero& elenco, compatto::Pozzo& pozzo) {
  Flusso flusso(pozzo);
  scriviAlbero(flusso, elenco);
  flusso.svuota();
}

void salva_nodo(const Albero& elenco, const Nodo* nodo, qint16 profondita, QString& testo) {
  std::vector<Livello> pila;
  Misura misura;
  scriviBlocco(misura, elenco, nodo, profondita, pila);
  Scrittura scrittura = allunga(testo, misura.n);
  scriviBlocco(scrittura, elenco, nodo, profondita, pila);
  if (scrittura.c != scrittura.fine) Scrittura::fuoriMisura();
}

}  // namespace custodex
