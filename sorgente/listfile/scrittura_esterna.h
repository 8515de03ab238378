#pragma once

#include <QByteArray>
#include <QStringEncoder>
#include <QStringView>
#include <cstring>

#include "comune/errore.h"
#include "listfile/formati_esterni.h"

namespace custodex {

// The bytes of an export, written into one buffer allocated once at a size no export can pass:
// a buffer that grew would leave copies of the passwords in the memory it let go.
class ScritturaEsterna {
 public:
  explicit ScritturaEsterna(qsizetype massimo)
      : byte_(massimo, Qt::Uninitialized), p_(byte_.data()) {}

  void ascii(const char* testo) {
    const std::size_t n = std::strlen(testo);
    std::memcpy(p_, testo, n);
    p_ += n;
  }
  void utf8(QStringView testo) { p_ = encoder_.appendToBuffer(p_, testo); }

  QByteArray fine() {
    byte_.truncate(p_ - byte_.constData());
    return std::move(byte_);
  }

 private:
  QByteArray byte_;
  char* p_;
  QStringEncoder encoder_{QStringConverter::Utf8, QStringConverter::Flag::Stateless};
};

// A half of a surrogate pair alone has no UTF-8 form: the encoder would put a replacement
// character in its place, a changed password.
inline void richiediUtf8(const VoceEsterna& voce) {
  for (const TestoSegreto* t : {&voce.nome, &voce.username, &voce.password, &voce.descrizione}) {
    const QStringView v = t->vista();
    for (qsizetype i = 0; i < v.size(); ++i) {
      if (v[i].isHighSurrogate() && i + 1 < v.size() && v[i + 1].isLowSurrogate()) {
        ++i;
        continue;
      }
      if (v[i].isSurrogate())
        throw Errore(Errore::TipoNonCorrispondente,
                     QStringLiteral("La voce «%1» contiene un carattere che non si può scrivere "
                                    "in UTF-8: il file non è stato scritto.")
                         .arg(voce.nome.vista()));
    }
  }
}

}  // namespace custodex
