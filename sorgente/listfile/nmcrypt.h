#pragma once

#include <QString>
#include <QStringView>
#include <optional>

#include "comune/piattaforma.h"
#include "listfile/busta.h"
#include "listfile/segreto.h"

namespace custodex {

// The cipher component `cripta_decripta`. The key is stretched with Argon2id under a fresh salt,
// the list text's exact 16-bit code units are compressed with zstd and sealed with
// XChaCha20-Poly1305 under a fresh nonce; the cost of the stretch travels in the header, so a
// later version can raise it and still read older files.
class NmCrypt : public Cifrario {
 public:
  struct Costo {
    quint32 passate = 3;
    quint32 memoriaKiB = 64 * 1024;
  };

  // What a file may ask of the key derivation: enough head-room for later versions to raise the
  // cost, not enough for a hostile file to take the machine's memory or minutes of its time.
  static constexpr quint32 massimoPassate = 16;
  static constexpr quint32 massimoMemoriaKiB = 1024 * 1024;        // 1 GiB
  static constexpr quint64 massimoLavoroKiB = 8ull * 1024 * 1024;  // passes × memory: ~8 s
  // The longest list text, in 16-bit characters: far beyond any password list, and well within
  // what the machine can hold.
  static constexpr qsizetype massimoCaratteriPredefinito = qsizetype{512} * 1024 * 1024;

  NmCrypt();
  // For tests that cannot afford the real cost. Throws std::invalid_argument for a cost that
  // this program would refuse to read back.
  explicit NmCrypt(Costo costo, qsizetype massimoCaratteri = massimoCaratteriPredefinito);

  // Throws Errore when the text is too long or memory runs out.
  QString cripta(const QString& testo, const QString& chiave) override;
  // Never throws: anything wrong gives back the empty text, which is not a list text.
  QString decripta(const QString& testo, const QString& chiave) noexcept override;

  // The steps of the two operations, apart so that the key derivation can be timed alone.

  // A header with this cipher's cost and a fresh random salt and nonce.
  busta::Intestazione nuovaIntestazione() const;
  // The 32-byte key for the header's parameters; nothing when they are unacceptable or memory
  // runs out.
  static std::optional<Segreto> derivaChiave(QStringView chiave,
                                             const busta::Intestazione& intestazione) noexcept;
  // Compresses and seals the text under a derived key. Throws Errore.
  QString sigilla(QStringView testo, const busta::Intestazione& intestazione,
                  const Segreto& chiaveDerivata) const;
  // Decodes a text and checks its header; nothing when it is not ours or asks too much.
  std::optional<busta::Aperta> apri(QStringView testo) const noexcept;
  // Opens the seal in place (the sealed bytes are spent) and decompresses; the empty text when
  // anything is wrong.
  QString dissigilla(busta::Aperta& aperta, const Segreto& chiaveDerivata) const noexcept;

  static bool costoAccettabile(quint32 passate, quint32 memoriaKiB);

 private:
  qsizetype massimoTesto() const;

  Costo costo_;
  qsizetype massimoCaratteri_;
};

}  // namespace custodex
