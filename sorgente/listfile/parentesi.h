#pragma once

#include <QStringView>
#include <vector>

namespace custodex {

// Where every "(" of a list text is closed, found in one pass over the text.
//
// The reader takes nested items off nested values, and each value ends at the ")" that balances
// its "(". Counting afresh at every level would read each character once per level it lies in,
// and a deeply nested text would take quadratic time. Counting over the whole text gives the same
// answer: inside any value, the ")" that balances an item's "(" is the one the whole-text count
// pairs with it, and when that one lies past the value's end (or nowhere), the item runs to the
// value's end.
class Parentesi {
 public:
  explicit Parentesi(QStringView testo);

  // The position, in the text given at construction, of the ")" that closes the "(" standing at
  // `apertura`; the text's length when nothing closes it. Asking in increasing order of position,
  // as a reader going front to back does, costs constant time a question on average.
  qsizetype chiusura(qsizetype apertura);

  const char16_t* inizio() const { return inizio_; }
  // How many "(" the text holds.
  qsizetype aperture() const { return static_cast<qsizetype>(coppie_.size()); }

 private:
  struct Coppia {
    qsizetype apre;
    qsizetype chiude;
  };
  const char16_t* inizio_;
  qsizetype lunghezza_;
  std::vector<Coppia> coppie_;  // in order of the "(" positions
  std::size_t cursore_ = 0;
};

}  // namespace custodex
