#include "listfile/nmcrypt.h"

#include <sodium.h>
#include <zstd.h>

#include <QtEndian>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "comune/errore.h"

namespace custodex {

namespace {

constexpr std::size_t lunghezzaChiave = crypto_aead_xchacha20poly1305_ietf_KEYBYTES;
constexpr std::size_t lunghezzaEtichettaSigillo = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr unsigned char algoritmo = crypto_pwhash_ALG_ARGON2ID13;
// A low level: list text is so repetitive that the higher ones gain little and cost several
// times the time.
constexpr int livelloCompressione = 1;

constexpr int memoriaEsaurita = 7;

void inizializzaSodium() {
  static const int esito = sodium_init();
  if (esito < 0) throw std::runtime_error("libsodium cannot start");
}

// The list text's code units are compressed as little-endian bytes, whatever the machine's
// order; on a little-endian machine straight from the string, without a copy.
class ByteDelTesto {
 public:
  explicit ByteDelTesto(QStringView testo) : azzera_(copia_) {
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
      dati_ = reinterpret_cast<const unsigned char*>(testo.utf16());
    } else {
      copia_.resize(static_cast<std::size_t>(testo.size()) * 2);
      qToLittleEndian<char16_t>(testo.utf16(), testo.size(), copia_.data());
      dati_ = copia_.data();
    }
    dimensione_ = static_cast<std::size_t>(testo.size()) * 2;
  }
  const unsigned char* dati() const { return dati_; }
  std::size_t dimensione() const { return dimensione_; }

 private:
  std::vector<unsigned char> copia_;
  AzzeraAllaFine azzera_;
  const unsigned char* dati_ = nullptr;
  std::size_t dimensione_ = 0;
};

}  // namespace

NmCrypt::NmCrypt() : NmCrypt(Costo{}) {}

NmCrypt::NmCrypt(Costo costo, qsizetype massimoCaratteri)
    : costo_(costo), massimoCaratteri_(massimoCaratteri) {
  inizializzaSodium();
  if (!costoAccettabile(costo.passate, costo.memoriaKiB))
    throw std::invalid_argument("NmCrypt: cost out of the readable range");
}

bool NmCrypt::costoAccettabile(quint32 passate, quint32 memoriaKiB) {
  return passate >= crypto_pwhash_OPSLIMIT_MIN && passate <= massimoPassate &&
         quint64{memoriaKiB} * 1024 >= crypto_pwhash_MEMLIMIT_MIN &&
         memoriaKiB <= massimoMemoriaKiB && quint64{passate} * memoriaKiB <= massimoLavoroKiB;
}

qsizetype NmCrypt::massimoTesto() const {
  const std::size_t byte = static_cast<std::size_t>(massimoCaratteri_) * 2;
  return busta::lunghezzaTesto(ZSTD_compressBound(byte) + lunghezzaEtichettaSigillo);
}

busta::Intestazione NmCrypt::nuovaIntestazione() const {
  busta::Intestazione h;
  h.algoritmo = algoritmo;
  h.passate = costo_.passate;
  h.memoriaKiB = costo_.memoriaKiB;
  randombytes_buf(h.sale.data(), h.sale.size());
  randombytes_buf(h.nonce.data(), h.nonce.size());
  return h;
}

std::optional<Segreto> NmCrypt::derivaChiave(QStringView chiave,
                                             const busta::Intestazione& h) noexcept {
  if (h.algoritmo != algoritmo || !costoAccettabile(h.passate, h.memoriaKiB)) return std::nullopt;
  try {
    const Segreto byte = Segreto::daChiave(chiave);
    Segreto derivata(lunghezzaChiave);
    if (crypto_pwhash(derivata.dati(), derivata.dimensione(),
                      reinterpret_cast<const char*>(byte.dati()), byte.dimensione(), h.sale.data(),
                      h.passate, std::size_t{h.memoriaKiB} * 1024, h.algoritmo) != 0)
      return std::nullopt;
    return derivata;
  } catch (...) {
    return std::nullopt;
  }
}

QString NmCrypt::sigilla(QStringView testo, const busta::Intestazione& h,
                         const Segreto& chiaveDerivata) const {
  if (testo.size() > massimoCaratteri_)
    throw Errore(Errore::Overflow, QStringLiteral("La lista è troppo lunga per essere salvata"));
  try {
    const ByteDelTesto chiaro(testo);
    std::vector<unsigned char> compresso(ZSTD_compressBound(chiaro.dimensione()));
    AzzeraAllaFine azzeraCompresso(compresso);
    const std::size_t lunghezza = ZSTD_compress(compresso.data(), compresso.size(), chiaro.dati(),
                                                chiaro.dimensione(), livelloCompressione);
    if (ZSTD_isError(lunghezza))
      throw Errore(Errore::Overflow, QString::fromLatin1(ZSTD_getErrorName(lunghezza)));

    const busta::DatiAutenticati ad = busta::datiAutenticati(h);
    std::vector<unsigned char> sigillato(lunghezza + lunghezzaEtichettaSigillo);
    unsigned long long scritti = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(sigillato.data(), &scritti, compresso.data(),
                                               lunghezza, ad.data(), ad.size(), nullptr,
                                               h.nonce.data(), chiaveDerivata.dati());
    sigillato.resize(scritti);
    return busta::componi(h, sigillato);
  } catch (const std::bad_alloc&) {
    throw Errore(memoriaEsaurita, QStringLiteral("Memoria esaurita"));
  }
}

std::optional<busta::Aperta> NmCrypt::apri(QStringView testo) const noexcept {
  auto aperta = busta::apri(testo, massimoTesto());
  if (!aperta) return std::nullopt;
  const auto& h = aperta->intestazione;
  if (h.algoritmo != algoritmo || !costoAccettabile(h.passate, h.memoriaKiB)) return std::nullopt;
  if (aperta->sigillato.size() < lunghezzaEtichettaSigillo) return std::nullopt;
  return aperta;
}

QString NmCrypt::dissigilla(const busta::Aperta& aperta,
                            const Segreto& chiaveDerivata) const noexcept {
  try {
    const auto& h = aperta.intestazione;
    const auto& sigillato = aperta.sigillato;
    const busta::DatiAutenticati ad = busta::datiAutenticati(h);
    std::vector<unsigned char> compresso(sigillato.size() - lunghezzaEtichettaSigillo);
    AzzeraAllaFine azzera(compresso);
    unsigned long long lunghezza = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            compresso.data(), &lunghezza, nullptr, sigillato.data(), sigillato.size(), ad.data(),
            ad.size(), h.nonce.data(), chiaveDerivata.dati()) != 0)
      return {};

    // One frame, whose declared size is even, within bounds, and exactly what it holds.
    if (ZSTD_findFrameCompressedSize(compresso.data(), lunghezza) != lunghezza) return {};
    const unsigned long long byte = ZSTD_getFrameContentSize(compresso.data(), lunghezza);
    if (byte == ZSTD_CONTENTSIZE_UNKNOWN || byte == ZSTD_CONTENTSIZE_ERROR || byte % 2 != 0 ||
        byte / 2 > static_cast<unsigned long long>(massimoCaratteri_))
      return {};
    QString testo(static_cast<qsizetype>(byte / 2), Qt::Uninitialized);
    const std::size_t fatti =
        ZSTD_decompress(testo.data(), static_cast<std::size_t>(byte), compresso.data(), lunghezza);
    if (ZSTD_isError(fatti) || fatti != byte) {
      sodium_memzero(testo.data(), static_cast<std::size_t>(byte));
      return {};
    }
    if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN) {
      auto* unita = reinterpret_cast<char16_t*>(testo.data());
      qFromLittleEndian<char16_t>(unita, testo.size(), unita);
    }
    return testo;
  } catch (...) {
    return {};
  }
}

QString NmCrypt::cripta(const QString& testo, const QString& chiave) {
  const busta::Intestazione h = nuovaIntestazione();
  const std::optional<Segreto> derivata = derivaChiave(chiave, h);
  if (!derivata) throw Errore(memoriaEsaurita, QStringLiteral("Memoria esaurita"));
  return sigilla(testo, h, *derivata);
}

QString NmCrypt::decripta(const QString& testo, const QString& chiave) noexcept {
  const std::optional<busta::Aperta> aperta = apri(testo);
  if (!aperta) return {};
  const std::optional<Segreto> derivata = derivaChiave(chiave, aperta->intestazione);
  if (!derivata) return {};
  return dissigilla(*aperta, *derivata);
}

}  // namespace custodex
