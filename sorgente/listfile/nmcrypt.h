#pragma once

#include <QString>
#include <QStringView>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "comune/piattaforma.h"
#include "listfile/buffer_azzerato.h"
#include "listfile/busta.h"
#include "listfile/segreto.h"

namespace custodex {

// The cipher component `cripta_decripta`. The key is stretched with Argon2id under a fresh salt,
// the list text's exact 16-bit code units are compressed with zstd and sealed with
// XChaCha20-Poly1305 under a fresh nonce; the cost of the stretch travels in the header, so a
// later version can raise it and still read older files.
class NmCrypt : public Cifrario {
 public:
  // The cost this version writes.
  static constexpr quint32 passatePredefinite = 3;
  static constexpr quint32 memoriaPredefinitaKiB = 64 * 1024;
  struct Costo {
    quint32 passate = passatePredefinite;
    quint32 memoriaKiB = memoriaPredefinitaKiB;
  };

  // What a file may ask of the key derivation, decided from its header before any derivation:
  // about eight times what this version writes, in memory and in work (passes × memory), which
  // leaves later versions room to raise the cost while a hostile file can hold the window for a
  // second or two at most.
  static constexpr quint32 massimoPassate = 16;
  static constexpr quint32 massimoMemoriaKiB = 8 * memoriaPredefinitaKiB;  // 512 MiB
  static constexpr quint64 massimoLavoroKiB =
      8ull * passatePredefinite * memoriaPredefinitaKiB;  // 24 passes of 64 MiB
  // The longest list text, in 16-bit characters: far beyond any password list, and well within
  // what the machine can hold.
  static constexpr qsizetype massimoCaratteriPredefinito = qsizetype{512} * 1024 * 1024;

  NmCrypt();
  // For tests that cannot afford the real cost. Throws std::invalid_argument for a cost that
  // this program would refuse to read back.
  explicit NmCrypt(Costo costo, qsizetype massimoCaratteri = massimoCaratteriPredefinito);

  // Throws Errore when the text is too long or memory runs out.
  QString cripta(const QString& testo, const QString& chiave) override;
  // Anything wrong with the text or the key gives back the empty text, which is not a list text.
  // Throws Errore (7) when memory runs out: that is no verdict on the key.
  QString decripta(const QString& testo, const QString& chiave) override;
  // The same on a list text that is never whole in memory.
  std::unique_ptr<TestoCifrato> criptaTesto(const std::function<void(compatto::Pozzo&)>& testo,
                                            const QString& chiave) override;
  std::unique_ptr<compatto::Fonte> decriptaVoce(const VoceCifrata& voce,
                                                const QString& chiave) override;
  // Whether a text of this length that begins so could be one of ours: the tag, a header of
  // this version asking an acceptable cost, and a length within bounds.
  bool riconosce(QStringView inizio, qint64 lunghezza) const noexcept;
  // Stretched as a file's key is, with a salt of its own.
  std::unique_ptr<ChiaveTenuta> tieni(QStringView chiave) override;

  // How many key derivations this process has run: a refused header must cost none.
  static quint64 chiaviDerivate();

  // The steps of the two operations, apart so that the key derivation can be timed alone.

  // A header with this cipher's cost and a fresh random salt and nonce.
  busta::Intestazione nuovaIntestazione() const;
  // The 32-byte key for the header's parameters; nothing when they are unacceptable or memory
  // runs out.
  static std::optional<Segreto> derivaChiave(QStringView chiave,
                                             const busta::Intestazione& intestazione) noexcept;
  // Compresses and seals the text that `testo` hands its pozzo under a derived key: the header's
  // room, then the sealed bytes, and how many bytes there are in all. Throws Errore.
  std::pair<BufferAzzerato, std::size_t> sigillaTesto(
      const std::function<void(compatto::Pozzo&)>& testo, const busta::Intestazione& intestazione,
      const Segreto& chiaveDerivata) const;
  // Compresses and seals the text under a derived key. Throws Errore.
  QString sigilla(QStringView testo, const busta::Intestazione& intestazione,
                  const Segreto& chiaveDerivata) const;
  // Decodes a text and checks its header; nothing when it is not ours or asks too much. Throws
  // std::bad_alloc when memory runs out.
  std::optional<busta::Aperta> apri(QStringView testo) const;
  // Opens the seal in place (the sealed bytes are spent) and decompresses; the empty text when
  // anything is wrong. Throws std::bad_alloc when memory runs out.
  QString dissigilla(busta::Aperta& aperta, const Segreto& chiaveDerivata) const;
  // Opens the seal in place and gives the text a block at a time as it decompresses; nothing when
  // the key is wrong. Throws std::bad_alloc.
  std::unique_ptr<compatto::Fonte> fonte(busta::Aperta aperta, const Segreto& chiaveDerivata) const;

  static bool costoAccettabile(quint32 passate, quint32 memoriaKiB);
  // Whether a decoded text asks what this program grants, and holds at least a seal's tag.
  static bool accettabile(const busta::Aperta& aperta);

 private:
  qsizetype massimoTesto() const;

  Costo costo_;
  qsizetype massimoCaratteri_;
};

}  // namespace custodex
