// What a list file hands the program before any key is right: the file's bytes, the item taken
// from them, and the enciphered text. None of it may fault or throw, whatever the bytes; and a
// text the cipher sealed itself must open to exactly what went in.

#include <sodium.h>

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "comune/errore.h"
#include "listfile/busta.h"
#include "listfile/file_lista.h"
#include "listfile/nmcrypt.h"
#include "listfile/salva_carica.h"
#include "listfile/segreto.h"

namespace {

using custodex::NmCrypt;
namespace busta = custodex::busta;

constexpr std::size_t massimoByte = 64 * 1024;
// A header may ask for a derivation of up to several seconds, by design; running it only slows
// the search, as it reads none of the input. Beyond this much work the header alone is checked.
constexpr quint64 massimoLavoroProvatoKiB = 64;

const QString chiave = QStringLiteral("chiave");

NmCrypt& cifrario() {
  static NmCrypt c(NmCrypt::Costo{1, 8});
  return c;
}

// One header and its derived key for every input, so that only the first input pays for the
// derivation of the texts sealed here.
struct Sigillo {
  busta::Intestazione h;
  custodex::Segreto chiaveDerivata;
};

const Sigillo& sigillo() {
  static const Sigillo s = [] {
    busta::Intestazione h = cifrario().nuovaIntestazione();
    std::optional<custodex::Segreto> k = NmCrypt::derivaChiave(chiave, h);
    if (!k) std::abort();
    return Sigillo{h, std::move(*k)};
  }();
  return s;
}

// A text in a buffer of exactly its size, so that a read past its end is caught.
struct TestoEsatto {
  std::unique_ptr<char16_t[]> unita;
  QString testo;
  TestoEsatto(const std::uint8_t* dati, std::size_t n, bool latin1)
      : unita(std::make_unique<char16_t[]>(latin1 ? n : n / 2)) {
    const std::size_t caratteri = latin1 ? n : n / 2;
    if (latin1)
      for (std::size_t i = 0; i < n; ++i) unita[i] = dati[i];
    else if (caratteri > 0)
      std::memcpy(unita.get(), dati, 2 * caratteri);
    testo = QString::fromRawData(reinterpret_cast<const QChar*>(unita.get()),
                                 static_cast<qsizetype>(caratteri));
  }
};

// The file's bytes: the item rules, and the one line a save writes read back whole.
void fileLista(const std::uint8_t* dati, std::size_t n) {
  const QByteArray byte =
      QByteArray::fromRawData(reinterpret_cast<const char*>(dati), static_cast<qsizetype>(n));
  if (custodex::ultima_voce(byte).size() > byte.size()) std::abort();
  for (std::size_t i = 0; i < n; ++i)
    if (dati[i] >= 0x80 || dati[i] == '"' || dati[i] == '\r' || dati[i] == '\n') return;
  const QByteArray riga = '"' + byte + "\"\r\n";
  if (custodex::ultima_voce(riga) != QString::fromLatin1(byte)) std::abort();
}

// Whether the text has the form of an enciphered list, read here on its own terms: the tag, then
// base64 whose first bytes are a header of this version and an acceptable cost.
bool formaGiusta(const QString& testo) {
  if (!testo.startsWith(QLatin1String(busta::etichetta))) return false;
  const QByteArray resto = testo.mid(busta::lunghezzaEtichetta).toLatin1();
  if (QString::fromLatin1(resto) != testo.mid(busta::lunghezzaEtichetta)) return false;
  std::vector<unsigned char> byte(resto.size());
  std::size_t n = 0;
  const char* fine = nullptr;
  if (sodium_base642bin(byte.data(), byte.size(), resto.constData(), resto.size(), nullptr, &n,
                        &fine, sodium_base64_VARIANT_URLSAFE_NO_PADDING) != 0 ||
      fine != resto.constData() + resto.size() || n < busta::lunghezzaIntestazione)
    return false;
  const quint32 passate = qFromLittleEndian<quint32>(byte.data() + 2);
  const quint32 memoria = qFromLittleEndian<quint32>(byte.data() + 6);
  return busta::versioneNota(byte[0]) && byte[1] == crypto_pwhash_ALG_ARGON2ID13 &&
         NmCrypt::costoAccettabile(passate, memoria);
}

// The enciphered text as the file holds it, one byte per character. A text of the wrong form is
// refused before any key is derived from it.
void testoCifrato(const std::uint8_t* dati, std::size_t n) {
  const TestoEsatto t(dati, n, true);
  if (const auto aperta = cifrario().apri(t.testo)) {
    const auto& h = aperta->intestazione;
    if (quint64{h.passate} * h.memoriaKiB > massimoLavoroProvatoKiB) return;
  }
  const quint64 prima = NmCrypt::chiaviDerivate();
  (void)cifrario().decripta(t.testo, chiave);
  if (NmCrypt::chiaviDerivate() != prima && !formaGiusta(t.testo)) std::abort();
  // The first characters alone already tell a foreign text.
  const QStringView inizio =
      QStringView(t.testo).first(std::min<qsizetype>(t.testo.size(), custodex::primiCaratteri));
  if (cifrario().riconosce(inizio, t.testo.size()) && t.testo.size() > 0 &&
      !t.testo.startsWith(QLatin1String(busta::etichetta)))
    std::abort();
}

// Past the seal, under the right key: the bytes as the compressed text a file would carry, of
// either version, taken whole and a block at a time into a tree.
void compressoOstile(const std::uint8_t* dati, std::size_t n) {
  const Sigillo& s = sigillo();
  busta::Intestazione h = s.h;
  if (n > 0 && (dati[0] & 1) != 0) h.versione = 1;
  std::vector<unsigned char> sigillato(n + crypto_aead_xchacha20poly1305_ietf_ABYTES);
  const busta::DatiAutenticati ad = busta::datiAutenticati(h);
  unsigned long long lunghezza = 0;
  crypto_aead_xchacha20poly1305_ietf_encrypt(sigillato.data(), &lunghezza, dati, n, ad.data(),
                                             ad.size(), nullptr, h.nonce.data(),
                                             s.chiaveDerivata.dati());
  const QString testo = busta::componi(h, sigillato);
  std::optional<busta::Aperta> aperta = cifrario().apri(testo);
  if (!aperta) std::abort();  // the envelope is well formed: only what it holds is hostile
  (void)cifrario().dissigilla(*aperta, s.chiaveDerivata);
  const std::unique_ptr<custodex::compatto::Fonte> fonte =
      cifrario().fonte(std::move(*cifrario().apri(testo)), s.chiaveDerivata);
  if (!fonte) std::abort();
  custodex::Albero albero;
  try {
    (void)custodex::carica_albero(albero, *fonte);
  } catch (const custodex::Errore&) {
    // A value that cannot be converted ends a load: an outcome, not a fault.
  }
}

// The bytes as a list text's 16-bit characters: sealed and opened, they come back exactly.
void andataERitorno(const std::uint8_t* dati, std::size_t n) {
  const Sigillo& s = sigillo();
  const TestoEsatto t(dati, n, false);
  const QString cifrato = cifrario().sigilla(t.testo, s.h, s.chiaveDerivata);
  std::optional<busta::Aperta> aperta = cifrario().apri(cifrato);
  if (!aperta) std::abort();
  if (cifrario().dissigilla(*aperta, s.chiaveDerivata) != t.testo) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dati, std::size_t dimensione) {
  if (dimensione > massimoByte) return -1;
  fileLista(dati, dimensione);
  testoCifrato(dati, dimensione);
  compressoOstile(dati, dimensione);
  andataERitorno(dati, dimensione);
  return 0;
}
