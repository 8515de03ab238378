#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

// The form of an enciphered list text: the ASCII tag "CDX", then in URL-safe base64 without
// padding the binary header and the sealed list text. The tag and the header travel as the
// authenticated data of the seal, so that neither can be altered unnoticed. Only ASCII letters,
// digits, "-" and "_": no double quote, no comma, no line break, one byte per character.

namespace custodex::busta {

inline constexpr char etichetta[] = "CDX";
inline constexpr std::size_t lunghezzaEtichetta = sizeof(etichetta) - 1;
// The version this program writes: 2 seals the list text in compact form; 1, which it still
// reads, sealed its 16-bit code units.
inline constexpr unsigned char versioneAttuale = 2;
constexpr bool versioneNota(unsigned char versione) {
  return versione == 1 || versione == 2;
}
inline constexpr std::size_t lunghezzaSale = 16;
inline constexpr std::size_t lunghezzaNonce = 24;
// version, algorithm, passes (4, little-endian), memory in KiB (4, little-endian), salt, nonce
inline constexpr std::size_t lunghezzaIntestazione = 1 + 1 + 4 + 4 + lunghezzaSale + lunghezzaNonce;

struct Intestazione {
  unsigned char versione = versioneAttuale;
  unsigned char algoritmo = 0;  // libsodium's crypto_pwhash algorithm identifier
  quint32 passate = 0;
  quint32 memoriaKiB = 0;
  std::array<unsigned char, lunghezzaSale> sale{};
  std::array<unsigned char, lunghezzaNonce> nonce{};
};

using DatiAutenticati = std::array<unsigned char, lunghezzaEtichetta + lunghezzaIntestazione>;

// Writes the header's lunghezzaIntestazione bytes.
void scriviIntestazione(const Intestazione& intestazione, unsigned char* byte);

// The tag followed by the header's bytes, as the seal authenticates them.
DatiAutenticati datiAutenticati(const Intestazione& intestazione);

// The whole text of a header and its sealed bytes. Throws std::bad_alloc.
QString componi(const Intestazione& intestazione, std::span<const unsigned char> sigillato);
// The same, when the sealed bytes already stand in `binario` after lunghezzaIntestazione bytes
// of room, into which the header is written: a large list is then not copied once more.
QString componiSulPosto(const Intestazione& intestazione, std::span<unsigned char> binario);

// The text of the header and sealed bytes that stand in `binario`, handed to `uscita` a block at
// a time.
void componiABlocchi(std::span<const unsigned char> binario,
                     const std::function<void(const char*, qsizetype)>& uscita);

// A decoded text: its header, and its bytes (the header's, then the sealed ones) in one buffer
// that the cipher may open in place.
struct Aperta {
  Intestazione intestazione;
  std::unique_ptr<unsigned char[]> binario;
  std::size_t dimensione = 0;

  std::span<unsigned char> sigillato() const {
    return {binario.get() + lunghezzaIntestazione, dimensione - lunghezzaIntestazione};
  }
};

// Decodes a text made by componi; nothing when the text is longer than `massimo` characters,
// lacks the tag, is not exact base64 of this alphabet, is too short for a header or names a
// version this program does not know. Checks no parameter: that is the cipher's business.
// Throws std::bad_alloc when memory runs out, which says nothing of the text.
std::optional<Aperta> apri(QStringView testo, qsizetype massimo);
// The same, for a text of `lunghezza` characters of one byte each that `leggi` gives a block at
// a time (from a position, a number of bytes). Throws what `leggi` throws.
std::optional<Aperta> apri(qint64 lunghezza,
                           const std::function<void(qint64, char*, qint64)>& leggi,
                           qsizetype massimo);

// The header read from the first characters of a text alone (the tag and the header's base64,
// caratteriIniziali in all): nothing when they are missing, malformed, or name a version this
// program does not know. What follows them is not looked at. Never throws.
inline constexpr qsizetype caratteriIniziali =
    lunghezzaEtichetta + (lunghezzaIntestazione + 2) / 3 * 4;
std::optional<Intestazione> intestazioneIniziale(QStringView inizio) noexcept;

// The length of the text that componi makes from `sigillati` sealed bytes.
qsizetype lunghezzaTesto(std::size_t sigillati);

}  // namespace custodex::busta
