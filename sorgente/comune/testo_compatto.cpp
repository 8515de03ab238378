#include "comune/testo_compatto.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace custodex::compatto {

std::size_t codifica(const char16_t* testo, std::size_t n, unsigned char* uscita) noexcept {
  unsigned char* u = uscita;
  for (std::size_t i = 0; i < n;) {
    // Four characters at a time while they are ASCII, as a list text's almost all are.
    std::uint64_t quattro;
    if (i + 4 <= n && (std::memcpy(&quattro, testo + i, sizeof quattro),
                       (quattro & 0xFF80FF80FF80FF80ull) == 0)) {
      for (int k = 0; k < 4; ++k) u[k] = static_cast<unsigned char>(testo[i + k]);
      u += 4;
      i += 4;
      continue;
    }
    const char16_t c = testo[i++];
    if (c < 0x80) {
      *u++ = static_cast<unsigned char>(c);
    } else if (c < 0x800) {
      *u++ = static_cast<unsigned char>(0xC0 | (c >> 6));
      *u++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else {
      *u++ = static_cast<unsigned char>(0xE0 | (c >> 12));
      *u++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
      *u++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    }
  }
  return static_cast<std::size_t>(u - uscita);
}

std::size_t decodifica(const unsigned char* byte, std::size_t n, char16_t* uscita) noexcept {
  std::size_t caratteri = 0;
  for (std::size_t i = 0; i < n; ++caratteri) {
    const unsigned char primo = byte[i++];
    char16_t c = primo;
    if (primo >= 0xC0) {
      // A character cut short, or followed by what is no continuation, keeps the bits it has.
      const std::size_t seguono = lunghezza(primo) - 1;
      c = primo & (seguono == 1 ? 0x1F : 0x0F);
      for (std::size_t k = 0; k < seguono && i < n && (byte[i] & 0xC0) == 0x80; ++k)
        c = static_cast<char16_t>(c << 6 | (byte[i++] & 0x3F));
    }
    if (uscita) uscita[caratteri] = c;
  }
  return caratteri;
}

std::size_t caratteri(const unsigned char* byte, std::size_t n) noexcept {
  // A continuation byte is 10xxxxxx: eight bytes at a time, its top bit set and the next clear.
  std::size_t continuazioni = 0, i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t otto;
    std::memcpy(&otto, byte + i, sizeof otto);
    // One bit a byte; their sum gathered in the top byte by the multiplication.
    const std::uint64_t bit = (otto & ~(otto << 1) & 0x8080808080808080ull) >> 7;
    continuazioni += static_cast<std::size_t>((bit * 0x0101010101010101ull) >> 56);
  }
  for (; i < n; ++i) continuazioni += (byte[i] & 0xC0) == 0x80;
  return n - continuazioni;
}

QString inStringa(const unsigned char* byte, std::size_t n) {
  QString testo(static_cast<qsizetype>(decodifica(byte, n, nullptr)), Qt::Uninitialized);
  decodifica(byte, n, reinterpret_cast<char16_t*>(testo.data()));
  return testo;
}

std::size_t FonteStringa::leggi(unsigned char* blocco, std::size_t n) {
  const std::size_t quanti =
      std::min(static_cast<std::size_t>(testo_.size()), n / massimoPerCarattere);
  const std::size_t scritti = codifica(testo_.utf16(), quanti, blocco);
  testo_ = testo_.sliced(static_cast<qsizetype>(quanti));
  return scritti;
}

}  // namespace custodex::compatto
