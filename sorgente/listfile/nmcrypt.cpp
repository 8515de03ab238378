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
#include "comune/pagine_grandi.h"
#include "listfile/buffer_azzerato.h"

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

// A frame's list text a block at a time, in compact form, from the compressed text that the seal
// was opened into (where the sealed one lay), which it wipes when it goes. This version's frames
// hold the compact form; the first version's held the text's 16-bit code units, little-endian,
// and their size, and are turned into the compact form on the way.
class FonteNm : public compatto::Fonte {
 public:
  FonteNm(busta::Aperta aperta, std::size_t lunghezza, qsizetype massimoCaratteri)
      : aperta_(std::move(aperta)),
        compresso_(aperta_.sigillato().data()),
        lunghezza_(lunghezza),
        primaVersione_(aperta_.intestazione.versione == 1),
        decompressore_(ZSTD_createDCtx_advanced(memoriaAzzerata)),
        ingresso_{compresso_, lunghezza, 0} {
    if (!decompressore_) throw std::bad_alloc();
    limite_ = static_cast<unsigned long long>(massimoCaratteri) * (primaVersione_ ? 2 : 1);
    // One frame, exactly what was sealed; the first version's declares its size, even and within
    // bounds.
    bool valida = ZSTD_findFrameCompressedSize(compresso_, lunghezza) == lunghezza;
    if (valida && primaVersione_) {
      dichiarati_ = ZSTD_getFrameContentSize(compresso_, lunghezza);
      valida = dichiarati_ != ZSTD_CONTENTSIZE_UNKNOWN && dichiarati_ != ZSTD_CONTENTSIZE_ERROR &&
               dichiarati_ % 2 == 0 && dichiarati_ <= limite_ &&
               dichiarati_ <= ZSTD_decompressBound(compresso_, lunghezza);
      if (valida) sosta_.cresci(dimensioneSosta);
    }
    if (!valida) guasto_ = finito_ = true;
  }
  ~FonteNm() override { sodium_memzero(compresso_, lunghezza_); }

  std::size_t leggi(unsigned char* blocco, std::size_t n) override {
    if (!primaVersione_) return decomprimi(blocco, n);
    // Whole code units from the pause buffer, as many as surely fit.
    for (;;) {
      const std::size_t unita = std::min((fine_ - inizio_) / 2, n / compatto::massimoPerCarattere);
      if (unita > 0) {
        char16_t c[dimensioneSosta / 2];
        const unsigned char* b = sosta_.dati() + inizio_;
        for (std::size_t i = 0; i < unita; ++i)
          c[i] = static_cast<char16_t>(b[2 * i] | b[2 * i + 1] << 8);
        inizio_ += 2 * unita;
        const std::size_t scritti = compatto::codifica(c, unita, blocco);
        sodium_memzero(c, 2 * unita);
        return scritti;
      }
      if (finito_) {
        if (fine_ != inizio_) guasto_ = true;  // half a code unit left over
        return 0;
      }
      // What is left of a code unit goes to the front.
      const std::size_t resto = fine_ - inizio_;
      std::memmove(sosta_.dati(), sosta_.dati() + inizio_, resto);
      inizio_ = 0;
      fine_ = resto + decomprimi(sosta_.dati() + resto, dimensioneSosta - resto);
    }
  }

  // Whether the frame came out whole and exactly as it declared itself.
  bool integra() const { return finito_ && !guasto_; }

 private:
  static constexpr std::size_t dimensioneSosta = 64 * 1024;

  // The next decompressed bytes, at least one while any are left; 0 at the end, or once the
  // frame proves damaged or larger than allowed.
  std::size_t decomprimi(unsigned char* dove, std::size_t n) {
    ZSTD_outBuffer uscita{dove, n, 0};
    while (uscita.pos == 0 && !finito_) {
      const std::size_t prima = ingresso_.pos;
      const std::size_t resta = ZSTD_decompressStream(decompressore_.get(), &uscita, &ingresso_);
      if (ZSTD_isError(resta) || (resta != 0 && uscita.pos == 0 && ingresso_.pos == prima)) {
        guasto_ = finito_ = true;  // damaged, or cut short
      } else if (resta == 0) {
        finito_ = true;
        if (primaVersione_ && prodotti_ + uscita.pos != dichiarati_) guasto_ = true;
      }
    }
    prodotti_ += uscita.pos;
    // The compact form's characters are its bytes that begin one.
    if (primaVersione_) {
      contati_ = prodotti_;
    } else {
      contati_ += compatto::caratteri(dove, uscita.pos);
    }
    if (contati_ > limite_) {
      guasto_ = finito_ = true;
      return 0;
    }
    return uscita.pos;
  }

  busta::Aperta aperta_;
  unsigned char* compresso_;
  std::size_t lunghezza_;
  bool primaVersione_;
  std::unique_ptr<ZSTD_DCtx, LiberaDecompressore> decompressore_;
  ZSTD_inBuffer ingresso_;
  // What may come out (bytes of the first version, characters of this one), what the first
  // version's frame declared, what came out in bytes and as counted against the limit.
  unsigned long long limite_ = 0, dichiarati_ = 0, prodotti_ = 0, contati_ = 0;
  bool finito_ = false, guasto_ = false;
  BufferAzzerato sosta_;  // the first version's code units, between the frame and the caller
  std::size_t inizio_ = 0, fine_ = 0;
};

// A text that is not a list text.
class FonteVuota : public compatto::Fonte {
 public:
  std::size_t leggi(unsigned char*, std::size_t) override { return 0; }
};

// The compressor fed the compact form a block at a time, into a buffer that grows as needed,
// after room for the header.
class Compressore : public compatto::Pozzo {
 public:
  explicit Compressore(std::size_t limite)
      : compressore_(ZSTD_createCCtx_advanced(memoriaAzzerata)), limite_(limite) {
    if (!compressore_ ||
        ZSTD_isError(ZSTD_CCtx_setParameter(compressore_.get(), ZSTD_c_compressionLevel,
                                            livelloCompressione)) ||
        ZSTD_isError(ZSTD_CCtx_setParameter(compressore_.get(), ZSTD_c_checksumFlag, 0)))
      throw std::bad_alloc();
    binario_.cresci(busta::lunghezzaIntestazione + (1 << 16));
    scritti_ = busta::lunghezzaIntestazione;
  }

  void scrivi(const unsigned char* byte, std::size_t n) override {
    caratteri_ += compatto::caratteri(byte, n);
    if (caratteri_ > limite_)
      throw Errore(Errore::Overflow, QStringLiteral("La lista è troppo lunga per essere salvata"));
    ZSTD_inBuffer ingresso{byte, n, 0};
    while (ingresso.pos < ingresso.size) passo(ingresso, ZSTD_e_continue);
  }

  // Ends the frame; gives back the buffer and how much of it is filled, with room for the
  // seal's tag after it.
  std::pair<BufferAzzerato, std::size_t> chiudi() {
    ZSTD_inBuffer vuoto{nullptr, 0, 0};
    while (passo(vuoto, ZSTD_e_end) != 0) {
    }
    binario_.cresci(scritti_ + lunghezzaEtichettaSigillo, scritti_);
    return {std::move(binario_), scritti_};
  }

 private:
  std::size_t passo(ZSTD_inBuffer& ingresso, ZSTD_EndDirective fine) {
    if (binario_.capienza() - scritti_ < ZSTD_CStreamOutSize())
      binario_.cresci(2 * binario_.capienza() + ZSTD_CStreamOutSize(), scritti_);
    ZSTD_outBuffer uscita{binario_.dati() + scritti_, binario_.capienza() - scritti_, 0};
    const std::size_t resta = ZSTD_compressStream2(compressore_.get(), &uscita, &ingresso, fine);
    if (ZSTD_isError(resta))
      throw Errore(Errore::Overflow, QString::fromLatin1(ZSTD_getErrorName(resta)));
    scritti_ += uscita.pos;
    return resta;
  }

  std::unique_ptr<ZSTD_CCtx, LiberaCompressore> compressore_;
  std::size_t limite_;  // in characters
  std::size_t caratteri_ = 0;
  BufferAzzerato binario_;
  std::size_t scritti_ = 0;
};

// The enciphered text of a save, held as its binary form and written out as text a block at a
// time.
class TestoCifratoNm : public TestoCifrato {
 public:
  TestoCifratoNm(const busta::Intestazione& h, BufferAzzerato binario, std::size_t dimensione)
      : binario_(std::move(binario)), dimensione_(dimensione) {
    busta::scriviIntestazione(h, binario_.dati());
  }
  qint64 lunghezza() const override {
    return busta::lunghezzaTesto(dimensione_ - busta::lunghezzaIntestazione);
  }
  void scrivi(const std::function<void(const char*, qsizetype)>& uscita) const override {
    busta::componiABlocchi(std::span(binario_.dati(), dimensione_), uscita);
  }

 private:
  BufferAzzerato binario_;
  std::size_t dimensione_;
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
  const std::size_t byte =
      static_cast<std::size_t>(massimoCaratteri_) * compatto::massimoPerCarattere;
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

std::pair<BufferAzzerato, std::size_t> NmCrypt::sigillaTesto(
    const std::function<void(compatto::Pozzo&)>& testo, const busta::Intestazione& h,
    const Segreto& chiaveDerivata) const {
  try {
    // Compressed as it comes, after room for the header, and sealed where it lies.
    Compressore compressore(static_cast<std::size_t>(massimoCaratteri_));
    testo(compressore);
    auto [binario, scritti] = compressore.chiudi();
    unsigned char* const corpo = binario.dati() + busta::lunghezzaIntestazione;
    const busta::DatiAutenticati ad = busta::datiAutenticati(h);
    unsigned long long sigillati = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(
        corpo, &sigillati, corpo, scritti - busta::lunghezzaIntestazione, ad.data(), ad.size(),
        nullptr, h.nonce.data(), chiaveDerivata.dati());
    return {std::move(binario), busta::lunghezzaIntestazione + std::size_t{sigillati}};
  } catch (const std::bad_alloc&) {
    throw Errore(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
  }
}

QString NmCrypt::sigilla(QStringView testo, const busta::Intestazione& h,
                         const Segreto& chiaveDerivata) const {
  if (testo.size() > massimoCaratteri_)
    throw Errore(Errore::Overflow, QStringLiteral("La lista è troppo lunga per essere salvata"));
  auto [binario, dimensione] = sigillaTesto(
      [testo](compatto::Pozzo& pozzo) {
        compatto::FonteStringa fonte(testo);
        unsigned char blocco[16384];
        for (std::size_t n; (n = fonte.leggi(blocco, sizeof blocco)) > 0;) pozzo.scrivi(blocco, n);
        sodium_memzero(blocco, sizeof blocco);
      },
      h, chiaveDerivata);
  try {
    return busta::componiSulPosto(h, std::span(binario.dati(), dimensione));
  } catch (const std::bad_alloc&) {
    throw Errore(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
  }
}

std::unique_ptr<TestoCifrato> NmCrypt::criptaTesto(
    const std::function<void(compatto::Pozzo&)>& testo, const QString& chiave) {
  const busta::Intestazione h = nuovaIntestazione();
  const std::optional<Segreto> derivata = derivaChiave(chiave, h);
  if (!derivata) throw Errore(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
  auto [binario, dimensione] = sigillaTesto(testo, h, *derivata);
  return std::make_unique<TestoCifratoNm>(h, std::move(binario), dimensione);
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
  if (!aperta || !accettabile(*aperta)) return std::nullopt;
  return aperta;
}

bool NmCrypt::accettabile(const busta::Aperta& aperta) {
  const auto& h = aperta.intestazione;
  return h.algoritmo == algoritmo && costoAccettabile(h.passate, h.memoriaKiB) &&
         aperta.sigillato().size() >= lunghezzaEtichettaSigillo;
}

std::unique_ptr<compatto::Fonte> NmCrypt::fonte(busta::Aperta aperta,
                                                const Segreto& chiaveDerivata) const {
  const auto& h = aperta.intestazione;
  const std::span<unsigned char> sigillato = aperta.sigillato();
  const busta::DatiAutenticati ad = busta::datiAutenticati(h);
  // Opened where it lies: the compressed text takes the place of the sealed one.
  unsigned long long lunghezza = 0;
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(
          sigillato.data(), &lunghezza, nullptr, sigillato.data(), sigillato.size(), ad.data(),
          ad.size(), h.nonce.data(), chiaveDerivata.dati()) != 0)
    return nullptr;
  return std::make_unique<FonteNm>(std::move(aperta), std::size_t{lunghezza}, massimoCaratteri_);
}

QString NmCrypt::dissigilla(busta::Aperta& aperta, const Segreto& chiaveDerivata) const {
  try {
    const std::unique_ptr<compatto::Fonte> testo = fonte(std::move(aperta), chiaveDerivata);
    if (!testo) return {};
    // Gathered whole, then turned into characters: only a frame that came out exactly is a text.
    BufferAzzerato byte(1 << 16);
    std::size_t n = 0;
    for (std::size_t letti; (letti = testo->leggi(byte.dati() + n, byte.capienza() - n)) > 0;) {
      n += letti;
      if (byte.capienza() - n < compatto::massimoPerCarattere) byte.cresci(2 * byte.capienza(), n);
    }
    if (!static_cast<FonteNm&>(*testo).integra()) return {};
    return compatto::inStringa(byte.dati(), n);
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

std::unique_ptr<compatto::Fonte> NmCrypt::decriptaVoce(const VoceCifrata& voce,
                                                       const QString& chiave) {
  const Errore memoriaEsaurita(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
  try {
    // Decided on the first characters, before anything else is read.
    const qint64 n = voce.lunghezza();
    char primi[busta::caratteriIniziali];
    QChar inizio[busta::caratteriIniziali];
    const qint64 quanti = std::min<qint64>(n, busta::caratteriIniziali);
    voce.leggi(0, primi, quanti);
    for (qint64 i = 0; i < quanti; ++i)
      inizio[i] = QChar(static_cast<char16_t>(static_cast<unsigned char>(primi[i])));
    if (!riconosce(QStringView(inizio, quanti), n)) return std::make_unique<FonteVuota>();

    std::optional<busta::Aperta> aperta = busta::apri(
        n, [&voce](qint64 da, char* byte, qint64 m) { voce.leggi(da, byte, m); }, massimoTesto());
    if (!aperta || !accettabile(*aperta)) return std::make_unique<FonteVuota>();
    const std::optional<Segreto> derivata = derivaChiave(chiave, aperta->intestazione);
    if (!derivata) throw memoriaEsaurita;
    std::unique_ptr<compatto::Fonte> testo = fonte(std::move(*aperta), *derivata);
    if (!testo) return std::make_unique<FonteVuota>();
    return testo;
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
