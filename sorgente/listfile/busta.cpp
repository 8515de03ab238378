#include "listfile/busta.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cstdint>

#include "comune/pagine_grandi.h"

namespace custodex::busta {

namespace {

constexpr int variante = sodium_base64_VARIANT_URLSAFE_NO_PADDING;
// Characters of base64 handled at a time; a whole number of four-character groups.
constexpr std::size_t blocco = 16384;
// The URL-safe alphabet of that variant.
constexpr char alfabeto[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

static_assert(lunghezzaSale == crypto_pwhash_SALTBYTES);
static_assert(lunghezzaNonce == crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);

void scrivi32(unsigned char* p, quint32 v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

quint32 leggi32(const unsigned char* p) {
  quint32 v = 0;
  for (int i = 0; i < 4; ++i) v |= quint32{p[i]} << (8 * i);
  return v;
}

// The value of each character of the alphabet; -1 for any other.
constexpr std::array<signed char, 256> valori = [] {
  std::array<signed char, 256> v{};
  v.fill(-1);
  for (int i = 0; i < 64; ++i)
    v[static_cast<unsigned char>(alfabeto[i])] = static_cast<signed char>(i);
  return v;
}();

// Encodes `n` bytes without padding, as libsodium's encoder does; returns the characters written.
std::size_t codifica64(const unsigned char* byte, std::size_t n, char* uscita) {
  char* u = uscita;
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3) {
    const auto gruppo = static_cast<std::uint32_t>(byte[i] << 16 | byte[i + 1] << 8 | byte[i + 2]);
    u[0] = alfabeto[gruppo >> 18];
    u[1] = alfabeto[(gruppo >> 12) & 63];
    u[2] = alfabeto[(gruppo >> 6) & 63];
    u[3] = alfabeto[gruppo & 63];
    u += 4;
  }
  if (n - i == 1) {
    *u++ = alfabeto[byte[i] >> 2];
    *u++ = alfabeto[(byte[i] & 3) << 4];
  } else if (n - i == 2) {
    const auto gruppo = static_cast<std::uint32_t>(byte[i] << 8 | byte[i + 1]);
    *u++ = alfabeto[gruppo >> 10];
    *u++ = alfabeto[(gruppo >> 4) & 63];
    *u++ = alfabeto[(gruppo & 15) << 2];
  }
  return static_cast<std::size_t>(u - uscita);
}

// Decodes `n` characters of the alphabet, without padding, into `uscita`; false at a character
// outside it, at a lone last character, or at a last group whose unused bits are not zero: as
// libsodium's decoder, but four characters at a time.
bool decodifica64(const char* testo, std::size_t n, unsigned char* uscita, std::size_t& scritti) {
  const auto v = [testo](std::size_t i) {
    return static_cast<int>(valori[static_cast<unsigned char>(testo[i])]);
  };
  unsigned char* u = uscita;
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const int a = v(i), b = v(i + 1), c = v(i + 2), d = v(i + 3);
    if ((a | b | c | d) < 0) return false;
    const auto gruppo = static_cast<std::uint32_t>(a << 18 | b << 12 | c << 6 | d);
    u[0] = static_cast<unsigned char>(gruppo >> 16);
    u[1] = static_cast<unsigned char>(gruppo >> 8);
    u[2] = static_cast<unsigned char>(gruppo);
    u += 3;
  }
  if (n - i == 1) return false;
  if (n - i == 2) {
    const int a = v(i), b = v(i + 1);
    if ((a | b) < 0 || (b & 0xF) != 0) return false;
    *u++ = static_cast<unsigned char>(a << 2 | b >> 4);
  } else if (n - i == 3) {
    const int a = v(i), b = v(i + 1), c = v(i + 2);
    if ((a | b | c) < 0 || (c & 0x3) != 0) return false;
    const auto gruppo = static_cast<std::uint32_t>(a << 18 | b << 12 | c << 6);
    *u++ = static_cast<unsigned char>(gruppo >> 16);
    *u++ = static_cast<unsigned char>(gruppo >> 8);
  }
  scritti = static_cast<std::size_t>(u - uscita);
  return true;
}

}  // namespace

void scriviIntestazione(const Intestazione& h, unsigned char* p) {
  p[0] = h.versione;
  p[1] = h.algoritmo;
  scrivi32(p + 2, h.passate);
  scrivi32(p + 6, h.memoriaKiB);
  std::copy(h.sale.begin(), h.sale.end(), p + 10);
  std::copy(h.nonce.begin(), h.nonce.end(), p + 10 + lunghezzaSale);
}

namespace {

Intestazione leggiIntestazione(const unsigned char* p) {
  Intestazione h;
  h.versione = p[0];
  h.algoritmo = p[1];
  h.passate = leggi32(p + 2);
  h.memoriaKiB = leggi32(p + 6);
  std::copy(p + 10, p + 10 + lunghezzaSale, h.sale.begin());
  std::copy(p + 10 + lunghezzaSale, p + lunghezzaIntestazione, h.nonce.begin());
  return h;
}

// A run of characters of this alphabet narrowed to ASCII; false on anything beyond it, which must
// not be narrowed into something that decodes.
bool ascii(const char16_t* unita, std::size_t n, char* uscita) {
  for (std::size_t i = 0; i < n; ++i) {
    if (unita[i] >= 0x80) return false;
    uscita[i] = static_cast<char>(unita[i]);
  }
  return true;
}

}  // namespace

std::optional<Intestazione> intestazioneIniziale(QStringView inizio) noexcept {
  if (inizio.size() < caratteriIniziali) return std::nullopt;
  const char16_t* unita = inizio.utf16();
  for (std::size_t i = 0; i < lunghezzaEtichetta; ++i)
    if (unita[i] != static_cast<char16_t>(etichetta[i])) return std::nullopt;
  constexpr std::size_t caratteri = caratteriIniziali - lunghezzaEtichetta;
  char testo[caratteri];
  unsigned char byte[caratteri / 4 * 3];
  std::size_t decodificati = 0;
  if (!ascii(unita + lunghezzaEtichetta, caratteri, testo) ||
      !decodifica64(testo, caratteri, byte, decodificati) || decodificati < lunghezzaIntestazione)
    return std::nullopt;
  Intestazione h = leggiIntestazione(byte);
  if (!versioneNota(h.versione)) return std::nullopt;
  return h;
}

DatiAutenticati datiAutenticati(const Intestazione& intestazione) {
  DatiAutenticati dati{};
  std::copy(etichetta, etichetta + lunghezzaEtichetta, dati.begin());
  scriviIntestazione(intestazione, dati.data() + lunghezzaEtichetta);
  return dati;
}

qsizetype lunghezzaTesto(std::size_t sigillati) {
  // sodium's length counts the terminating NUL.
  return static_cast<qsizetype>(
      lunghezzaEtichetta + sodium_base64_ENCODED_LEN(lunghezzaIntestazione + sigillati, variante) -
      1);
}

QString componiSulPosto(const Intestazione& intestazione, std::span<unsigned char> binario) {
  scriviIntestazione(intestazione, binario.data());
  QString testo(lunghezzaTesto(binario.size() - lunghezzaIntestazione), Qt::Uninitialized);
  preferisciPagineGrandi(testo.data(), static_cast<std::size_t>(testo.size()) * 2);
  // Straight into the string, a block at a time, as a save writes it to its file.
  char16_t* uscita = reinterpret_cast<char16_t*>(testo.data());
  componiABlocchi(binario,
                  [&uscita](const char* c, qsizetype n) { uscita = std::copy(c, c + n, uscita); });
  return testo;
}

void componiABlocchi(std::span<const unsigned char> binario,
                     const std::function<void(const char*, qsizetype)>& uscita) {
  uscita(etichetta, lunghezzaEtichetta);
  constexpr std::size_t gruppi = blocco / 4;
  char ascii[blocco + 1];
  for (std::size_t da = 0; da < binario.size(); da += 3 * gruppi) {
    const std::size_t n = std::min(3 * gruppi, binario.size() - da);
    uscita(ascii, static_cast<qsizetype>(codifica64(binario.data() + da, n, ascii)));
  }
}

QString componi(const Intestazione& intestazione, std::span<const unsigned char> sigillato) {
  std::vector<unsigned char> binario(lunghezzaIntestazione + sigillato.size());
  std::copy(sigillato.begin(), sigillato.end(), binario.begin() + lunghezzaIntestazione);
  return componiSulPosto(intestazione, binario);
}

std::optional<Aperta> apri(QStringView testo, qsizetype massimo) {
  // Anything beyond ASCII must not be narrowed into something that decodes: it stands for a
  // character outside the alphabet.
  const char16_t* unita = testo.utf16();
  return apri(
      testo.size(),
      [unita](qint64 da, char* byte, qint64 n) {
        for (qint64 i = 0; i < n; ++i) {
          const char16_t c = unita[da + i];
          byte[i] = c < 0x80 ? static_cast<char>(c) : '"';
        }
      },
      massimo);
}

std::optional<Aperta> apri(qint64 lunghezza,
                           const std::function<void(qint64, char*, qint64)>& leggi,
                           qsizetype massimo) {
  if (lunghezza > massimo) return std::nullopt;
  const auto n = static_cast<std::size_t>(lunghezza);
  if (n < static_cast<std::size_t>(caratteriIniziali)) return std::nullopt;

  // The header first: a text that is not ours costs no memory.
  {
    char inizio[caratteriIniziali];
    char16_t unita[caratteriIniziali];
    leggi(0, inizio, caratteriIniziali);
    for (qsizetype i = 0; i < caratteriIniziali; ++i)
      unita[i] = static_cast<unsigned char>(inizio[i]);
    if (!intestazioneIniziale(QStringView(unita, caratteriIniziali))) return std::nullopt;
  }

  const std::size_t lungo = n - lunghezzaEtichetta;
  Aperta aperta;
  const std::size_t capienza = lungo / 4 * 3 + 3;
  aperta.binario = std::make_unique_for_overwrite<unsigned char[]>(capienza);
  preferisciPagineGrandi(aperta.binario.get(), capienza);

  // A block at a time, whole groups of four characters until the last: each block decodes on
  // its own, and the last one's unused bits must be zero, so every text has one form only.
  char blocchetto[blocco];
  for (std::size_t da = 0; da < lungo; da += blocco) {
    const std::size_t m = std::min(blocco, lungo - da);
    std::size_t decodificati = 0;
    leggi(static_cast<qint64>(lunghezzaEtichetta + da), blocchetto, static_cast<qint64>(m));
    if (!decodifica64(blocchetto, m, aperta.binario.get() + aperta.dimensione, decodificati))
      return std::nullopt;
    aperta.dimensione += decodificati;
  }
  if (aperta.dimensione < lunghezzaIntestazione) return std::nullopt;
  aperta.intestazione = leggiIntestazione(aperta.binario.get());
  if (!versioneNota(aperta.intestazione.versione)) return std::nullopt;
  return aperta;
}

}  // namespace custodex::busta
