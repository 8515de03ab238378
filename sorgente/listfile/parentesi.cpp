#include "listfile/parentesi.h"

#include <algorithm>

namespace custodex {

Parentesi::Parentesi(QStringView testo) : inizio_(testo.utf16()), lunghezza_(testo.size()) {
  // A written list has about one "(" in forty characters; reserving for that spares most of the
  // regrowth without holding much more than needed.
  coppie_.reserve(static_cast<std::size_t>(lunghezza_ / 40 + 16));
  std::vector<std::size_t> aperte;
  const char16_t* c = inizio_;
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
