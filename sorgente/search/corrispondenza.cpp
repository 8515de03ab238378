#include "search/corrispondenza.h"

namespace custodex {

namespace {

char16_t minuscolaAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

}  // namespace

Corrispondenza::Corrispondenza(const QString& parola) : parola_(parola) {
  if (parola_.isEmpty()) return;
  const QChar primo = parola_.front().toCaseFolded();
  for (char16_t c = 0; c < inizio_.size(); ++c) inizio_[c] = QChar(c).toCaseFolded() == primo;
}

bool Corrispondenza::in(QStringView testo) const {
  if (testo.isEmpty()) return false;
  const qsizetype lunghezza = parola_.size();
  if (lunghezza == 0) return true;
  const char16_t* c = testo.utf16();
  for (qsizetype p = 0, ultimo = testo.size() - lunghezza; p <= ultimo; ++p) {
    if (c[p] < inizio_.size() && !inizio_[c[p]]) continue;
    if (inizia(testo.sliced(p, lunghezza))) return true;
  }
  return false;
}

bool Corrispondenza::inizia(QStringView pezzo) const {
  // Pairs of ASCII characters compare at once; from the first other character on, Qt folds.
  const char16_t* parola = QStringView(parola_).utf16();
  for (qsizetype k = 0; k < pezzo.size(); ++k) {
    const char16_t a = pezzo[k].unicode(), b = parola[k];
    if (a >= 128 || b >= 128)
      return pezzo.sliced(k).compare(QStringView(parola_).sliced(k), Qt::CaseInsensitive) == 0;
    if (minuscolaAscii(a) != minuscolaAscii(b)) return false;
  }
  return true;
}

}  // namespace custodex
