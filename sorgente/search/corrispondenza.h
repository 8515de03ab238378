#pragma once

#include <QString>
#include <QStringView>
#include <array>

namespace custodex {

// A keyword made ready to be sought in many texts. It answers as lower-casing the text and then
// seeking the keyword in it ignoring case does, but lower-cases no text whose characters fold as
// their lower case does (all but a few, such as "İ"), and skips quickly over the characters that
// cannot begin a match.
class Corrispondenza {
 public:
  explicit Corrispondenza(const QString& parola);

  // Whether the text holds the keyword. An empty text holds nothing, not even an empty keyword.
  bool in(QStringView testo) const;

 private:
  // Whether this piece, as long as the keyword, is the keyword but for case.
  bool inizia(QStringView pezzo) const;
  // The answer the slow way, lower-casing the text.
  bool inMinuscolo(QStringView testo) const;

  QString parola_;
  // The keyword itself holds a character whose lower case differs from its fold: every text is
  // lower-cased.
  bool minuscole_ = false;
  // The ASCII characters whose folded case is that of the keyword's first character; any other
  // character may begin a match only beyond ASCII, where every position is compared in full.
  std::array<bool, 128> inizio_{};
};

}  // namespace custodex
