#include "listfile/nmcrypt.h"

#include <sodium.h>
#include <zstd.h>

#include <QtEndian>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <vector>

#include "comune/errore.h"
#include "listfile/pagine_grandi.h"

namespace custodex {

namespace {

constexpr std::size_t lunghezzaChiave = crypto_aead_xchacha20poly1305_ietf_KEYBYTES;
constexpr std::size_t lunghezzaEtichettaSigillo = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr unsigned char algoritmo = crypto_pwhash_ALG_ARGON2ID13;
// The lowest level: on list text, measured, level 3 came out no smaller and half again as slow.
constexpr int livelloCompressione = 1;

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
    inizializzaSodium();
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
    // One buffer: room for the header, the compressed text sealed where it lies, the seal's tag.
    // Only what is written is touched, so its bound-sized capacity costs address space only.
    const ByteDelTesto chiaro(testo);
    const std::size_t capienza = busta::lunghezzaIntestazione +
                                 ZSTD_compressBound(chiaro.dimensione()) +
                                 lunghezzaEtichettaSigillo;
    const auto binario = std::make_unique_for_overwrite<unsigned char[]>(capienza);
    preferisciPagineGrandi(binario.get(), capienza);
    unsigned char* const corpo = binario.get() + busta::lunghezzaIntestazione;
    const std::size_t lunghezza =
        ZSTD_compress(corpo, capienza - busta::lunghezzaIntestazione - lunghezzaEtichettaSigillo,
                      chiaro.dati(), chiaro.dimensione(), livelloCompressione);
    if (ZSTD_isError(lunghezza))
      throw Errore(Errore::Overflow, QString::fromLatin1(ZSTD_getErrorName(lunghezza)));

    const busta::DatiAutenticati ad = busta::datiAutenticati(h);
    unsigned long long sigillati = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(corpo, &sigillati, corpo, lunghezza, ad.data(),
                                               ad.size(), nullptr, h.nonce.data(),
                                               chiaveDerivata.dati());
    return busta::componiSulPosto(
        h, std::span(binario.get(), busta::lunghezzaIntestazione + std::size_t{sigillati}));
  } catch (const std::bad_alloc&) {
    throw Errore(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
  }
}

std::optional<busta::Aperta> NmCrypt::apri(QStringView testo) const noexcept {
  auto aperta = busta::apri(testo, massimoTesto());
  if (!aperta) return std::nullopt;
  const auto& h = aperta->intestazione;
  if (h.algoritmo != algoritmo || !costoAccettabile(h.passate, h.memoriaKiB)) return std::nullopt;
  if (aperta->sigillato().size() < lunghezzaEtichettaSigillo) return std::nullopt;
  return aperta;
}

QString NmCrypt::dissigilla(busta::Aperta& aperta, const Segreto& chiaveDerivata) const noexcept {
  try {
    const auto& h = aperta.intestazione;
    const std::span<unsigned char> sigillato = aperta.sigillato();
    const busta::DatiAutenticati ad = busta::datiAutenticati(h);
    // Opened where it lies: the compressed text takes the place of the sealed one, and is wiped
    // however this ends.
    unsigned long long lunghezza = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            sigillato.data(), &lunghezza, nullptr, sigillato.data(), sigillato.size(), ad.data(),
            ad.size(), h.nonce.data(), chiaveDerivata.dati()) != 0)
      return {};
    struct Azzera {
      unsigned char* p;
      std::size_t n;
      ~Azzera() { sodium_memzero(p, n); }
    } azzera{sigillato.data(), std::size_t{lunghezza}};
    const unsigned char* const compresso = sigillato.data();

    // One frame, whose declared size is even, within bounds, and exactly what it holds.
    if (ZSTD_findFrameCompressedSize(compresso, lunghezza) != lunghezza) return {};
    const unsigned long long byte = ZSTD_getFrameContentSize(compresso, lunghezza);
    if (byte == ZSTD_CONTENTSIZE_UNKNOWN || byte == ZSTD_CONTENTSIZE_ERROR || byte % 2 != 0 ||
        byte / 2 > static_cast<unsigned long long>(massimoCaratteri_))
      return {};
    QString testo(static_cast<qsizetype>(byte / 2), Qt::Uninitialized);
    preferisciPagineGrandi(testo.data(), static_cast<std::size_t>(byte));
    const std::size_t fatti =
        ZSTD_decompress(testo.data(), static_cast<std::size_t>(byte), compresso, lunghezza);
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
  if (!derivata) throw Errore(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
  return sigilla(testo, h, *derivata);
}

QString NmCrypt::decripta(const QString& testo, const QString& chiave) noexcept {
  std::optional<busta::Aperta> aperta = apri(testo);
  if (!aperta) return {};
  const std::optional<Segreto> derivata = derivaChiave(chiave, aperta->intestazione);
  if (!derivata) return {};
  return dissigilla(*aperta, *derivata);
}

}  // namespace custodex
