#include "search/corrispondenza.h"

#include "comune/testo_segreto.h"

namespace custodex {

namespace {

char16_t minuscolaAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

// Whether lower-casing the character before a case-insensitive comparison may change the answer.
// "İ" lower-cases to two characters, "i̇", and folds to itself; Qt tells such a lower case only
// through QString::toLower, keeping the character as its own one-character lower case. An upper-
// case letter without a lower case of its own is taken for one: that also takes in a few symbols
// shaped as letters (ℂ, ϒ, the mathematical letters), whose texts are then only searched slower.
bool minuscolaSpeciale(char32_t c) {
  return (QChar::isUpper(c) || QChar::isTitleCase(c)) && QChar::toLower(c) == c;
}

// The character at p, a whole code point where p begins a surrogate pair.
char32_t carattere(const char16_t* c, qsizetype p, qsizetype fine) {
  if (QChar::isHighSurrogate(c[p]) && p + 1 < fine && QChar::isLowSurrogate(c[p + 1]))
    return QChar::surrogateToUcs4(c[p], c[p + 1]);
  return c[p];
}

bool haMinuscolaSpeciale(QStringView testo) {
  for (qsizetype p = 0; p < testo.size(); ++p)
    if (minuscolaSpeciale(carattere(testo.utf16(), p, testo.size()))) return true;
  return false;
}

}  // namespace

Corrispondenza::Corrispondenza(const QString& parola)
    : parola_(parola), minuscole_(haMinuscolaSpeciale(parola)) {
  if (parola_.isEmpty()) return;
  const QChar primo = parola_.front().toCaseFolded();
  for (char16_t c = 0; c < inizio_.size(); ++c) inizio_[c] = QChar(c).toCaseFolded() == primo;
}

bool Corrispondenza::in(QStringView testo) const {
  if (testo.isEmpty()) return false;
  const qsizetype lunghezza = parola_.size();
  if (lunghezza == 0) return true;
  if (minuscole_) return inMinuscolo(testo);
  const char16_t* c = testo.utf16();
  const qsizetype fine = testo.size(), ultimo = fine - lunghezza;
  // A character that lower-cases unlike its fold sends the whole text the slow way.
  qsizetype p = 0;
  for (; p <= ultimo; ++p) {
    if (c[p] < inizio_.size()) {
      if (!inizio_[c[p]]) continue;
    } else if (minuscolaSpeciale(carattere(c, p, fine))) {
      return inMinuscolo(testo);
    }
    // A match found before such a character is one of the lower-cased text too: the keyword holds
    // none, and nothing else folds as they do.
    if (inizia(testo.sliced(p, lunghezza))) return true;
  }
  // Nor may the characters too near the end to begin a match lower-case unlike their fold: "İ"
  // alone holds "i̇", a longer keyword.
  for (; p < fine; ++p)
    if (c[p] >= inizio_.size() && minuscolaSpeciale(carattere(c, p, fine)))
      return inMinuscolo(testo);
  return false;
}

bool Corrispondenza::inMinuscolo(QStringView testo) const {
  // The text may be a password: its lower-cased copy is wiped.
  const TestoSegreto minuscolo(testo.toString().toLower());
  return minuscolo.vista().contains(parola_, Qt::CaseInsensitive);
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
