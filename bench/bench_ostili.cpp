#include <sodium.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/comune.h"
#include "listfile/busta.h"
#include "listfile/comandi_file.h"
#include "listfile/file_lista.h"
#include "listfile/nmcrypt.h"
#include "supporto/copione.h"

// Hostile list files through the load command at the program's real cost: how long each takes
// and how much memory it takes beyond what the process held, until the command has ended.

namespace custodex::bench {

namespace {

const QString chiave = QStringLiteral("k");

double residenteMiB(const char* voce) {
  std::ifstream status("/proc/self/status");
  std::string riga;
  while (std::getline(status, riga))
    if (riga.rfind(voce, 0) == 0) return std::stod(riga.substr(std::strlen(voce))) / 1024.0;
  return 0;
}

// The peak resident memory starts again from what is resident now.
void azzeraPicco() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

void scriviRipetuto(const QString& percorso, const QByteArray& prima, char c, qint64 quanti,
                    const QByteArray& dopo) {
  QFile f(percorso);
  if (!f.open(QIODevice::WriteOnly)) return;
  f.write(prima);
  const QByteArray blocco(1 << 20, c);
  for (qint64 scritti = 0; scritti < quanti; scritti += blocco.size())
    f.write(blocco.constData(), std::min<qint64>(blocco.size(), quanti - scritti));
  f.write(dopo);
}

// Bytes sealed under the key as the cipher seals a compressed list text, at the real cost.
QString sigillato(const QByteArray& compresso) {
  NmCrypt cifrario;
  const busta::Intestazione h = cifrario.nuovaIntestazione();
  const Segreto k = *NmCrypt::derivaChiave(chiave, h);
  std::vector<unsigned char> uscita(compresso.size() + crypto_aead_xchacha20poly1305_ietf_ABYTES);
  const busta::DatiAutenticati ad = busta::datiAutenticati(h);
  unsigned long long n = 0;
  crypto_aead_xchacha20poly1305_ietf_encrypt(
      uscita.data(), &n, reinterpret_cast<const unsigned char*>(compresso.constData()),
      compresso.size(), ad.data(), ad.size(), nullptr, h.nonce.data(), k.dati());
  return busta::componi(h, uscita);
}

// A zstd frame that declares `dichiarati` bytes, holding the given blocks.
QByteArray cornice(quint64 dichiarati, const QByteArray& blocchi) {
  QByteArray f("\x28\xB5\x2F\xFD\xE0", 5);  // magic; single segment, 8-byte content size
  for (int i = 0; i < 8; ++i) f += static_cast<char>(dichiarati >> (8 * i));
  return f + blocchi;
}

QByteArray intestazioneBlocco(bool ultimo, int tipo, quint32 dimensione) {
  const quint32 v = (ultimo ? 1 : 0) | (tipo << 1) | (dimensione << 3);
  const char byte[] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16)};
  return QByteArray(byte, 3);
}

void carica(const char* nome, const QString& percorso) {
  NmCrypt cifrario;
  copione::Banco banco(cifrario);
  banco.dialog.risposte.push_back(percorso);
  banco.richiesta.risposte.push_back(chiave);
  const quint64 derivate = NmCrypt::chiaviDerivate();
  const double prima = residenteMiB("VmRSS:");
  azzeraPicco();
  const Tempi t = misura(1, [&] { menu_carica(banco.scheda, banco.file, banco.ambiente); });
  const double picco = residenteMiB("VmHWM:") - prima;
  std::printf("%-44s %10.1f %8.0f ms %9.0f %5d %7s %s\n", nome,
              double(QFile(percorso).size()) / (1 << 20), t.prima, picco,
              banco.scheda.elenco.Count(), NmCrypt::chiaviDerivate() != derivate ? "yes" : "no",
              banco.messaggi.avvisi.isEmpty() ? "(no message)" : "message");
  QFile::remove(percorso);
}

void ostili() {
  QTemporaryDir cartella;
  const QString f = cartella.filePath(QStringLiteral("ostile.kvx"));
  constexpr qint64 gib = qint64{1} << 30;
  std::printf("%-44s %10s %11s %9s %5s %7s\n", "file", "size MiB", "load", "+peak MiB", "nodes",
              "KDF");

  scriviRipetuto(f, {}, 'A', gib - 1, {});
  carica("1 GiB without a quote", f);
  scriviRipetuto(f, "CDX", 'A', gib - 4, {});
  carica("CDX and 1 GiB of A", f);
  scriviRipetuto(f, "\"CDX", 'A', gib - 8, "\"\r\n");
  carica("\"CDX and 1 GiB of A\"", f);

  // A header asking 16 passes over 512 MiB, before a well-formed rest.
  {
    NmCrypt cifrario(NmCrypt::Costo{1, 8});
    auto aperta = cifrario.apri(cifrario.cripta(QStringLiteral("TreeView(\r\n)"), chiave));
    aperta->intestazione.passate = 16;
    aperta->intestazione.memoriaKiB = 512 * 1024;
    scrivi_file_lista(f, busta::componi(aperta->intestazione, aperta->sigillato()));
    carica("header asking 16 passes of 512 MiB", f);
  }

  // Under the right key: a frame that declares 1 GiB and holds 100 bytes.
  scrivi_file_lista(
      f, sigillato(cornice(gib, intestazioneBlocco(true, 0, 100) + QByteArray(100, 'A'))));
  carica("frame declaring 1 GiB, holding 100 bytes", f);
  // ...and one whose run-length blocks do make 1 GiB: within the bounds, so it is read.
  {
    QByteArray blocchi;
    const qint64 n = gib / (128 * 1024);
    for (qint64 i = 0; i < n; ++i) blocchi += intestazioneBlocco(i == n - 1, 1, 128 * 1024) + 'A';
    scrivi_file_lista(f, sigillato(cornice(gib, blocchi)));
    carica("frame of 1 GiB of A in run-length blocks", f);
  }

  // A compact list two hundred thousand levels deep: read down to the deepest level a save
  // writes.
  {
    QString testo = QStringLiteral("TreeView(Root(");
    for (int i = 0; i < 200000; ++i) testo += QStringLiteral("BasicInfo()\rChild(");
    testo += QString(200000, u')') + QStringLiteral("))");
    NmCrypt cifrario;
    scrivi_file_lista(f, cifrario.cripta(testo, chiave));
    carica("list 200,000 levels deep", f);
  }

  // For comparison, an honest list of 1,000 entries.
  {
    NmCrypt cifrario;
    copione::Banco banco(cifrario);
    riempi(banco.scheda.elenco, 1000);
    banco.dialog.risposte.push_back(f);
    banco.richiesta.risposte.push_back(chiave);
    banco.richiesta.risposte.push_back(chiave);  // asked twice
    menu_salva(banco.scheda, banco.file, banco.ambiente);
    carica("honest list of 1,000 entries", f);
  }
}

}  // namespace

REGISTRA_BENCH("list file: hostile files", ostili);

}  // namespace custodex::bench
