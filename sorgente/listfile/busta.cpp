#include "listfile/busta.h"

#include <sodium.h>

#include <QByteArray>
#include <new>

namespace custodex::busta {

namespace {

constexpr int variante = sodium_base64_VARIANT_URLSAFE_NO_PADDING;

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

void scriviIntestazione(const Intestazione& h, unsigned char* p) {
  p[0] = h.versione;
  p[1] = h.algoritmo;
  scrivi32(p + 2, h.passate);
  scrivi32(p + 6, h.memoriaKiB);
  std::copy(h.sale.begin(), h.sale.end(), p + 10);
  std::copy(h.nonce.begin(), h.nonce.end(), p + 10 + lunghezzaSale);
}

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

}  // namespace

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

QString componi(const Intestazione& intestazione, std::span<const unsigned char> sigillato) {
  std::vector<unsigned char> binario(lunghezzaIntestazione + sigillato.size());
  scriviIntestazione(intestazione, binario.data());
  std::copy(sigillato.begin(), sigillato.end(), binario.begin() + lunghezzaIntestazione);

  const std::size_t base64 = sodium_base64_ENCODED_LEN(binario.size(), variante);
  QByteArray ascii(static_cast<qsizetype>(lunghezzaEtichetta + base64), Qt::Uninitialized);
  std::copy(etichetta, etichetta + lunghezzaEtichetta, ascii.data());
  sodium_bin2base64(ascii.data() + lunghezzaEtichetta, base64, binario.data(), binario.size(),
                    variante);
  ascii.chop(1);  // the NUL
  return QString::fromLatin1(ascii);
}

std::optional<Aperta> apri(QStringView testo, qsizetype massimo) noexcept {
  try {
    if (testo.size() > massimo) return std::nullopt;
    const auto n = static_cast<std::size_t>(testo.size());
    if (n < lunghezzaEtichetta) return std::nullopt;
    const char16_t* unita = testo.utf16();
    for (std::size_t i = 0; i < lunghezzaEtichetta; ++i)
      if (unita[i] != static_cast<char16_t>(etichetta[i])) return std::nullopt;

    // Anything beyond ASCII is foreign; it must not be narrowed into something that decodes.
    const std::size_t lungo = n - lunghezzaEtichetta;
    std::vector<char> ascii(lungo);
    for (std::size_t i = 0; i < lungo; ++i) {
      const char16_t c = unita[lunghezzaEtichetta + i];
      if (c >= 0x80) return std::nullopt;
      ascii[i] = static_cast<char>(c);
    }

    Aperta aperta;
    std::vector<unsigned char> binario(lungo / 4 * 3 + 3);
    std::size_t decodificati = 0;
    const char* fine = nullptr;
    if (sodium_base642bin(binario.data(), binario.size(), ascii.data(), ascii.size(), nullptr,
                          &decodificati, &fine, variante) != 0)
      return std::nullopt;
    if (fine != ascii.data() + ascii.size()) return std::nullopt;
    if (decodificati < lunghezzaIntestazione) return std::nullopt;
    aperta.intestazione = leggiIntestazione(binario.data());
    if (aperta.intestazione.versione != versioneAttuale) return std::nullopt;
    aperta.sigillato.assign(binario.begin() + lunghezzaIntestazione,
                            binario.begin() + static_cast<std::ptrdiff_t>(decodificati));
    return aperta;
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace custodex::busta
