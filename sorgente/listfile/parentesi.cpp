#include "listfile/parentesi.h"

#include <algorithm>

#include "listfile/pagine_grandi.h"

namespace custodex {

Parentesi::Parentesi(QStringView testo) : inizio_(testo.utf16()), lunghezza_(testo.size()) {
  // Counted first, so that the pairs are laid out once, in memory that is touched only once.
  const char16_t* c = inizio_;
  std::size_t quante = 0;
  for (qsizetype i = 0; i < lunghezza_; ++i) quante += c[i] == u'(';
  coppie_.reserve(quante);
  preferisciPagineGrandi(coppie_.data(), quante * sizeof(Coppia));
  std::vector<std::size_t> aperte;
  for (qsizetype i = 0; i < lunghezza_; ++i) {
    if (c[i] == u'(') {
      aperte.push_back(coppie_.size());
      coppie_.push_back({i, lunghezza_});
    } else if (c[i] == u')' && !aperte.empty()) {
      // A ")" with nothing open before it closes nothing, for the reader as here.
      coppie_[aperte.back()].chiude = i;
      aperte.pop_back();
    }
  }
}

qsizetype Parentesi::chiusura(qsizetype apertura) {
  const auto prima = [](const Coppia& c, qsizetype p) { return c.apre < p; };
  if (cursore_ >= coppie_.size() || coppie_[cursore_].apre > apertura) {
    // Asked out of order: look it up from the start.
    cursore_ = static_cast<std::size_t>(
        std::lower_bound(coppie_.begin(), coppie_.end(), apertura, prima) - coppie_.begin());
  } else {
    while (cursore_ < coppie_.size() && coppie_[cursore_].apre < apertura) ++cursore_;
  }
  if (cursore_ < coppie_.size() && coppie_[cursore_].apre == apertura)
    return coppie_[cursore_].chiude;
  return lunghezza_;  // not a "(": nothing closes it
}

}  // namespace custodex
