#include "listfile/nmcrypt.h"

#include <sodium.h>
// For contexts on memory of our own, and decompression straight into the caller's buffer.
#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>

#include <QtEndian>
#include <atomic>
#include <cstdint>
#include <cstdlib>
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

std::atomic<quint64> derivazioni{0};
// More than the key derivation's calls take of the stack below the caller's frame.
constexpr std::size_t pilaDelHash = 32 * 1024;

// zstd's working memory holds pieces of the list text (the literals of each block): it is wiped
// before it goes back.
constexpr std::size_t testa = alignof(std::max_align_t);
void* prendi(void*, std::size_t n) {
  auto* p = static_cast<unsigned char*>(std::malloc(n + testa));
  if (!p) return nullptr;
  std::memcpy(p, &n, sizeof n);
  return p + testa;
}
void rendi(void*, void* indirizzo) {
  if (!indirizzo) return;
  auto* p = static_cast<unsigned char*>(indirizzo) - testa;
  std::size_t n;
  std::memcpy(&n, p, sizeof n);
  sodium_memzero(indirizzo, n);
  std::free(p);
}
constexpr ZSTD_customMem memoriaAzzerata{prendi, rendi, nullptr};

struct LiberaCompressore {
  void operator()(ZSTD_CCtx* c) const { ZSTD_freeCCtx(c); }
};
struct LiberaDecompressore {
  void operator()(ZSTD_DCtx* d) const { ZSTD_freeDCtx(d); }
};

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

quint64 NmCrypt::chiaviDerivate() {
  return derivazioni.load();
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
    ++derivazioni;
    const int esito = crypto_pwhash(
        derivata.dati(), derivata.dimensione(), reinterpret_cast<const char*>(byte.dati()),
        byte.dimensione(), h.sale.data(), h.passate, std::size_t{h.memoriaKiB} * 1024, h.algoritmo);
    // The hash leaves its output in a stack frame that has returned: a copy of the key outside
    // the guarded memory until the stack is reused.
    sodium_stackzero(pilaDelHash);
    if (esito != 0) return std::nullopt;
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
    const std::unique_ptr<ZSTD_CCtx, LiberaCompressore> compressore(
        ZSTD_createCCtx_advanced(memoriaAzzerata));
    if (!compressore) throw std::bad_alloc();
    const std::size_t lunghezza =
        ZSTD_compressCCtx(compressore.get(), corpo,
                          capienza - busta::lunghezzaIntestazione - lunghezzaEtichettaSigillo,
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

bool NmCrypt::riconosce(QStringView inizio, qint64 lunghezza) const noexcept {
  if (lunghezza > massimoTesto() || inizio.size() > lunghezza) return false;
  const auto h = busta::intestazioneIniziale(inizio);
  return h && h->algoritmo == algoritmo && costoAccettabile(h->passate, h->memoriaKiB);
}

std::optional<busta::Aperta> NmCrypt::apri(QStringView testo) const {
  // Decided on the first characters, before the rest is decoded.
  if (!riconosce(testo.first(std::min(testo.size(), busta::caratteriIniziali)), testo.size()))
    return std::nullopt;
  auto aperta = busta::apri(testo, massimoTesto());
  if (!aperta) return std::nullopt;
  const auto& h = aperta->intestazione;
  if (h.algoritmo != algoritmo || !costoAccettabile(h.passate, h.memoriaKiB)) return std::nullopt;
  if (aperta->sigillato().size() < lunghezzaEtichettaSigillo) return std::nullopt;
  return aperta;
}

QString NmCrypt::dissigilla(busta::Aperta& aperta, const Segreto& chiaveDerivata) const {
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
        byte / 2 > static_cast<unsigned long long>(massimoCaratteri_) ||
        byte > ZSTD_decompressBound(compresso, lunghezza))  // more than its blocks can hold
      return {};
    // Straight into the text, a block at a time: a frame that turns out damaged has touched only
    // what it filled, and only that is wiped, however large the size it declared.
    const std::unique_ptr<ZSTD_DCtx, LiberaDecompressore> decompressore(
        ZSTD_createDCtx_advanced(memoriaAzzerata));
    if (!decompressore ||
        ZSTD_isError(ZSTD_DCtx_setParameter(decompressore.get(), ZSTD_d_stableOutBuffer, 1)))
      return {};
    QString testo(static_cast<qsizetype>(byte / 2), Qt::Uninitialized);
    preferisciPagineGrandi(testo.data(), static_cast<std::size_t>(byte));
    ZSTD_outBuffer uscita{testo.data(), static_cast<std::size_t>(byte), 0};
    ZSTD_inBuffer ingresso{compresso, static_cast<std::size_t>(lunghezza), 0};
    std::size_t resta = 1;
    for (std::size_t prima = ~std::size_t{0}; resta != 0 && !ZSTD_isError(resta);) {
      const std::size_t avanzato = ingresso.pos + uscita.pos;
      if (avanzato == prima) break;  // no progress: the frame is cut short
      prima = avanzato;
      resta = ZSTD_decompressStream(decompressore.get(), &uscita, &ingresso);
    }
    if (resta != 0 || uscita.pos != byte) {
      // A block that fails may have written part of itself past what was counted.
      sodium_memzero(testo.data(), std::min<std::size_t>(byte, uscita.pos + ZSTD_BLOCKSIZE_MAX));
      return {};
    }
    if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN) {
      auto* unita = reinterpret_cast<char16_t*>(testo.data());
      qFromLittleEndian<char16_t>(unita, testo.size(), unita);
    }
    return testo;
  } catch (const std::bad_alloc&) {
    throw;
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

QString NmCrypt::decripta(const QString& testo, const QString& chiave) {
  const Errore memoriaEsaurita(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
  try {
    std::optional<busta::Aperta> aperta = apri(testo);
    if (!aperta) return {};
    // The header's cost was checked as the text was opened: only memory can fail it now.
    const std::optional<Segreto> derivata = derivaChiave(chiave, aperta->intestazione);
    if (!derivata) throw memoriaEsaurita;
    return dissigilla(*aperta, *derivata);
  } catch (const std::bad_alloc&) {
    throw memoriaEsaurita;
  }
}

namespace {

class ChiaveTenutaNm : public ChiaveTenuta {
 public:
  ChiaveTenutaNm(const NmCrypt& cifrario, busta::Intestazione intestazione, Segreto chiave)
      : cifrario_(cifrario), intestazione_(intestazione), chiave_(std::move(chiave)) {
    chiave_->chiudi();
  }
  ~ChiaveTenutaNm() override {
    // sodium_free needs to write the pages it wipes.
    if (chiave_) chiave_->leggi();
  }

  QByteArray sigilla(QStringView testo) override {
    if (!chiave_) throw Errore(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
    randombytes_buf(intestazione_.nonce.data(), intestazione_.nonce.size());
    chiave_->leggi();
    QString sigillo;
    try {
      sigillo = cifrario_.sigilla(testo, intestazione_, *chiave_);
    } catch (...) {
      chiave_->chiudi();
      throw;
    }
    chiave_.reset();
    return sigillo.toLatin1();
  }

  std::optional<TestoSegreto> apri(const QByteArray& sigillo, QStringView chiave) override {
    const Errore memoriaEsaurita(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
    try {
      std::optional<busta::Aperta> aperta = cifrario_.apri(QString::fromLatin1(sigillo));
      if (!aperta) return std::nullopt;
      std::optional<Segreto> derivata = NmCrypt::derivaChiave(chiave, intestazione_);
      if (!derivata) throw memoriaEsaurita;
      TestoSegreto testo(cifrario_.dissigilla(*aperta, *derivata));
      if (testo.isEmpty()) return std::nullopt;
      derivata->chiudi();
      chiave_ = std::move(derivata);
      return testo;
    } catch (const std::bad_alloc&) {
      throw memoriaEsaurita;
    }
  }

 private:
  NmCrypt cifrario_;
  busta::Intestazione intestazione_;
  std::optional<Segreto> chiave_;
};

}  // namespace

std::unique_ptr<ChiaveTenuta> NmCrypt::tieni(QStringView chiave) {
  const busta::Intestazione h = nuovaIntestazione();
  std::optional<Segreto> derivata = derivaChiave(chiave, h);
  if (!derivata) throw Errore(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
  return std::make_unique<ChiaveTenutaNm>(*this, h, std::move(*derivata));
}

}  // namespace custodex
