#include <QStringDecoder>

#include "comune/azzera.h"
#include "listfile/formati_esterni.h"

namespace custodex {

namespace {

// Windows-1252's 0x80 to 0x9F; the five bytes it leaves undefined keep their C1 code points, so
// that no byte is lost.
constexpr char16_t cp1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString windows1252(const QByteArray& byte) {
  QString testo(byte.size(), Qt::Uninitialized);
  QChar* a = testo.data();
  for (const char c : byte) {
    const auto b = static_cast<unsigned char>(c);
    *a++ = QChar(b >= 0x80 && b < 0xA0 ? cp1252[b - 0x80] : char16_t{b});
  }
  return testo;
}

// Decodes the whole text at once, into a string of its final size; nothing when the bytes are
// not valid in this encoding.
std::optional<QString> decodifica(const QByteArray& byte, QStringConverter::Encoding codifica) {
  QStringDecoder decoder(codifica, QStringConverter::Flag::Stateless);
  QString testo(decoder.requiredSpace(byte.size()), Qt::Uninitialized);
  QChar* fine = decoder.appendToBuffer(testo.data(), byte);
  testo.truncate(fine - testo.constData());
  if (decoder.hasError()) {
    azzera(testo);
    return std::nullopt;
  }
  return testo;
}

}  // namespace

QString decodifica_testo(QByteArray& byte, bool& windows1252Usato) {
  windows1252Usato = false;
  std::optional<QString> testo;
  if (byte.startsWith("\xFF\xFE"))
    testo = decodifica(byte, QStringConverter::Utf16LE);
  else if (byte.startsWith("\xFE\xFF"))
    testo = decodifica(byte, QStringConverter::Utf16BE);
  else
    testo = decodifica(byte, QStringConverter::Utf8);
  if (!testo) {
    testo = windows1252(byte);
    windows1252Usato = true;
  }
  azzera(byte);
  byte.clear();
  return std::move(*testo);
}

QString unisci(std::initializer_list<QStringView> parti) {
  qsizetype n = 0;
  for (const QStringView p : parti) n += p.size();
  QString testo;
  testo.reserve(n);
  for (const QStringView p : parti) testo.append(p);
  return testo;
}

}  // namespace custodex
