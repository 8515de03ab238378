#include "listfile/forma64.h"

#include "comune/azzera.h"

#include <QByteArray>

namespace custodex::forma64 {

namespace {

// The bytes of a value, plain or in base64, are as recoverable as its text.
struct Azzera {
  QByteArray& byte;
  ~Azzera() { azzera(byte); }
};

}  // namespace

bool sopravvive(QStringView valore) {
  qsizetype aperte = 0;
  for (const QChar c : valore) {
    if (c == u'(') {
      ++aperte;
    } else if (c == u')') {
      if (aperte == 0) return false;
      --aperte;
    }
  }
  return aperte == 0;
}

void accoda(QString& testo, QStringView valore) {
  QByteArray byte(2 * valore.size(), Qt::Uninitialized);
  char* b = byte.data();
  for (const QChar c : valore) {
    *b++ = static_cast<char>(c.unicode() & 0xFF);
    *b++ = static_cast<char>(c.unicode() >> 8);
  }
  const Azzera azzeraByte{byte};
  QByteArray forma = byte.toBase64();
  const Azzera azzeraForma{forma};
  testo.append(QLatin1StringView(forma));
}

namespace {

std::optional<QString> decodificaAscii(const QByteArray& ascii) {
  auto risultato = QByteArray::fromBase64Encoding(ascii, QByteArray::AbortOnBase64DecodingErrors);
  const Azzera azzeraDecodificati{risultato.decoded};
  if (!risultato || risultato.decoded.size() % 2 != 0) return std::nullopt;
  const QByteArray& byte = risultato.decoded;
  QString valore(byte.size() / 2, Qt::Uninitialized);
  QChar* v = valore.data();
  for (qsizetype i = 0; i < byte.size(); i += 2) {
    *v++ = QChar(static_cast<char16_t>(static_cast<unsigned char>(byte[i]) |
                                       static_cast<unsigned char>(byte[i + 1]) << 8));
  }
  return valore;
}

}  // namespace

std::optional<QString> decodifica(QStringView forma) {
  QByteArray ascii;
  const Azzera azzeraAscii{ascii};
  ascii.reserve(forma.size());
  for (const QChar c : forma) {
    if (c.unicode() > 0x7F) return std::nullopt;
    ascii.append(static_cast<char>(c.unicode()));
  }
  return decodificaAscii(ascii);
}

std::optional<QString> decodifica(std::span<const unsigned char> forma) {
  // Anything beyond ASCII is no base64, in either form.
  for (const unsigned char c : forma)
    if (c > 0x7F) return std::nullopt;
  QByteArray ascii(reinterpret_cast<const char*>(forma.data()),
                   static_cast<qsizetype>(forma.size()));
  const Azzera azzeraAscii{ascii};
  return decodificaAscii(ascii);
}

}  // namespace custodex::forma64
