// The list-file commands under conditions a user meets rarely and an attacker on purpose: limits
// of the process, failing system calls, files that are not files, hostile files. Whatever could
// end or freeze the process runs in a child, so that a regression fails the test instead of the
// whole run.

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>

#include <sodium.h>

#include <unistd.h>
#include <QtTest>
#include <cerrno>
#include <functional>

#include "app/processo.h"
#include "comune/azzera.h"
#include "comune/testi.h"
#include "list/comandi_appunti.h"
#include "list/comandi_voce.h"
#include "listfile/comandi_blocco.h"
#include "listfile/comandi_file.h"
#include "listfile/file_lista.h"
#include "listfile/nmcrypt.h"
#include "listfile/salva_carica.h"
#include "listfile/segreto.h"
#include "supporto/banco_cifrato.h"
#include "supporto/copione.h"
#include "supporto/figlio.h"
#include "supporto/file_prova.h"

using namespace custodex;
using copione::aggiungiVoce;
using copione::BancoCifrato;
using copione::leggiByte;
using copione::memoriaVirtuale;
using copione::nelFiglio;
using copione::scriviByte;

// A seam at link time: this program's own fsync and rename, which fail on request and otherwise
// do what the system's do. The library and Qt's QSaveFile reach these.
namespace {
enum class Guasto { Nessuno, Fsync, Rename };
Guasto guasto = Guasto::Nessuno;
}  // namespace

extern "C" int fsync(int fd) {
  if (guasto == Guasto::Fsync) {
    errno = EIO;
    return -1;
  }
  return static_cast<int>(::syscall(SYS_fsync, fd));
}

extern "C" int rename(const char* da, const char* a) {
  if (guasto == Guasto::Rename) {
    errno = EIO;
    return -1;
  }
  return static_cast<int>(::syscall(SYS_renameat, AT_FDCWD, da, AT_FDCWD, a));
}

namespace {

// The save ended with its failure message, naming the file.
bool salvataggioFallito(const BancoCifrato& b, const QString& file) {
  const auto& avvisi = b.banco.messaggi.avvisi;
  return avvisi.size() == 1 && avvisi[0].icona == Messaggi::Icona::Critica &&
         avvisi[0].testo.contains(QDir::toNativeSeparators(file));
}

// Every readable byte of the process's memory, a mapping at a time, through /proc/self/mem.
bool inMemoria(const QByteArray& mascherato, char maschera) {
  QFile mappe(QStringLiteral("/proc/self/maps"));
  if (!mappe.open(QIODevice::ReadOnly)) return true;
  const int mem = ::open("/proc/self/mem", O_RDONLY);
  std::vector<char> blocco(1 << 20);
  bool trovato = false;
  for (const QByteArray& riga : mappe.readAll().split('\n')) {
    const QList<QByteArray> campi = riga.split(' ');
    if (campi.size() < 2 || !campi[1].startsWith('r') || riga.contains("[vvar]")) continue;
    const QList<QByteArray> estremi = campi[0].split('-');
    const quint64 fine = estremi[1].toULongLong(nullptr, 16);
    for (quint64 da = estremi[0].toULongLong(nullptr, 16); da < fine && !trovato;) {
      const auto n = static_cast<std::size_t>(std::min<quint64>(blocco.size(), fine - da));
      const ssize_t letti = ::pread(mem, blocco.data(), n, static_cast<off_t>(da));
      if (letti <= 0) break;
      for (ssize_t i = 0; i + mascherato.size() <= letti && !trovato; ++i) {
        qsizetype j = 0;
        while (j < mascherato.size() && (blocco[i + j] ^ maschera) == mascherato[j]) ++j;
        trovato = j == mascherato.size();
      }
      // Overlapping the next block by the needle's length would be exact; a password that
      // straddles two MiB-aligned blocks is unlikely enough for a random one.
      da += static_cast<quint64>(letti);
    }
  }
  ::close(mem);
  return trovato;
}

}  // namespace

class TestCondizioniAvverse : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void limiteDiDimensioneDelProcesso();
  void nessunCoreDump();
  void guastiDiSistema_data();
  void guastiDiSistema();
  void fileNonRegolari();
  void memoriaEsaurita();
  void fileOstiliRifiutatiSubito();
  void listaTroppoGrandePerIlFile();
  void nessunaPasswordRestaInMemoria();
  void azzeraOgniCarattere();
  void nessunaChiaveRestaInMemoria();
  void bloccataNonTieneNullaInChiaro();

 private:
  QString percorso(const QString& nome) const { return cartella_->filePath(nome); }
  std::unique_ptr<QTemporaryDir> cartella_;
};

void TestCondizioniAvverse::init() {
  guasto = Guasto::Nessuno;
  cartella_ = std::make_unique<QTemporaryDir>();
  QVERIFY(cartella_->isValid());
}

void TestCondizioniAvverse::limiteDiDimensioneDelProcesso() {
  const QString file = percorso(QStringLiteral("lista.kvx"));
  BancoCifrato b;
  aggiungiVoce(b.scheda.elenco, QStringLiteral("posta"), {}, {}, {});
  b.salva(file);
  const QByteArray vecchio = leggiByte(file);
  for (int i = 0; i < 200; ++i)
    aggiungiVoce(b.scheda.elenco, QString::number(i * 7919), QString::number(i * 104729),
                 QString::number(i * 1299709), {});

  // With the program's own set-up only: without it, the system ends the process at the limit.
  QVERIFY(nelFiglio([&] {
    preparaProcesso();
    const rlimit limite{static_cast<rlim_t>(vecchio.size()) + 100, RLIM_INFINITY};
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limite), 0);
    b.salva(file);
    QVERIFY(salvataggioFallito(b, file));
    QCOMPARE(leggiByte(file), vecchio);
  }));
}

void TestCondizioniAvverse::nessunCoreDump() {
  // Nor would a crash leave the list on disk: core dumps are forbidden by the program itself,
  // even where the shell that started it allowed them.
  QVERIFY(nelFiglio([] {
    rlimit core{};
    QCOMPARE(::getrlimit(RLIMIT_CORE, &core), 0);
    if (core.rlim_max == 0) QSKIP("core dumps are forbidden here before the program starts");
    core.rlim_cur = core.rlim_max;
    QCOMPARE(::setrlimit(RLIMIT_CORE, &core), 0);
    QCOMPARE(::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0), 0);
    preparaProcesso();
    QCOMPARE(::getrlimit(RLIMIT_CORE, &core), 0);
    QCOMPARE(core.rlim_cur, rlim_t{0});
    QCOMPARE(::prctl(PR_GET_DUMPABLE), 0);
  }));
}

void TestCondizioniAvverse::guastiDiSistema_data() {
  QTest::addColumn<int>("quale");
  QTest::newRow("fsync") << int(Guasto::Fsync);
  QTest::newRow("rename") << int(Guasto::Rename);
}

void TestCondizioniAvverse::guastiDiSistema() {
  QFETCH(int, quale);
  const QString file = percorso(QStringLiteral("lista.kvx"));
  BancoCifrato b;
  b.salva(file);
  const QByteArray vecchio = leggiByte(file);
  aggiungiVoce(b.scheda.elenco, QStringLiteral("nuova"), {}, {}, {});
  b.file.file_noto = false;
  guasto = Guasto(quale);
  b.salva(file);
  guasto = Guasto::Nessuno;
  QVERIFY(salvataggioFallito(b, file));
  QCOMPARE(leggiByte(file), vecchio);
  QCOMPARE(QDir(cartella_->path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
           QStringList{QStringLiteral("lista.kvx")});
}

void TestCondizioniAvverse::fileNonRegolari() {
  const QString tubo = percorso(QStringLiteral("tubo.kvx"));
  const QString collegamento = percorso(QStringLiteral("collegamento.kvx"));
  QCOMPARE(::mkfifo(QFile::encodeName(tubo).constData(), 0600), 0);
  QVERIFY(QFile::link(tubo, collegamento));

  // A save does not replace a pipe, whether named directly or through a link.
  for (const QString& file : {tubo, collegamento}) {
    BancoCifrato b;
    aggiungiVoce(b.scheda.elenco, QStringLiteral("posta"), {}, {}, {});
    b.salva(file);
    QVERIFY(salvataggioFallito(b, file));
    struct stat s {};
    QCOMPARE(::stat(QFile::encodeName(tubo).constData(), &s), 0);
    QVERIFY(S_ISFIFO(s.st_mode));
  }

  // A load refuses it at once instead of waiting for a writer that never comes.
  QVERIFY(nelFiglio(
      [&] {
        BancoCifrato b;
        aggiungiVoce(b.scheda.elenco, QStringLiteral("resta"), {}, {}, {});
        b.carica(tubo);
        QCOMPARE(b.scheda.elenco.Count(), 4);
        QVERIFY(b.banco.registro.isEmpty());
        QVERIFY(b.banco.richiesta.domande.isEmpty());
      },
      20));
}

void TestCondizioniAvverse::memoriaEsaurita() {
#ifdef CON_ASAN
  QSKIP("the address sanitizer reserves address space of its own");
#endif
  // (The load's side is tested through the main window.)
  QVERIFY(nelFiglio([&] {
    BancoCifrato b;
    const rlimit limite{static_cast<rlim_t>(memoriaVirtuale() + (200 << 20)), RLIM_INFINITY};
    QCOMPARE(::setrlimit(RLIMIT_AS, &limite), 0);
    // The add command ends as on any error when the tree cannot grow.
    bool esaurita = false;
    for (int i = 0; i < 4000000 && !esaurita; ++i) {
      b.banco.modulo.scrivi(Modulo::Campo::Nome, QStringLiteral("voce"));
      pls_aggiungi(b.scheda, b.banco.ambiente);
      esaurita = !b.banco.modulo.testo(Modulo::Campo::Nome).isEmpty();
    }
    QVERIFY(esaurita);
    QVERIFY(b.banco.messaggi.avvisi.isEmpty());
    b.scheda.elenco.Clear();
    pls_aggiungi(b.scheda, b.banco.ambiente);
    QCOMPARE(b.scheda.elenco.Count(), 4);
  }));
}

void TestCondizioniAvverse::fileOstiliRifiutatiSubito() {
  // Large files that are no list: refused on their first characters, with no key derived.
  const QString file = percorso(QStringLiteral("ostile.kvx"));
  const QByteArray molte(3 << 20, 'A');
  for (const QByteArray& contenuto : {molte, "CDX" + molte, "\"CDX" + molte + "\"\r\n"}) {
    QVERIFY(scriviByte(file, contenuto));
    BancoCifrato b;
    const quint64 derivate = NmCrypt::chiaviDerivate();
    b.carica(file);
    QCOMPARE(NmCrypt::chiaviDerivate(), derivate);
    QCOMPARE(b.banco.messaggi.avvisi.size(), 1);
    QCOMPARE(b.banco.messaggi.avvisi[0].testo, testi_file::listaNonValida);
  }
}

void TestCondizioniAvverse::listaTroppoGrandePerIlFile() {
  // A list whose text the load would refuse is not saved over the old file.
  const QString file = percorso(QStringLiteral("lista.kvx"));
  BancoCifrato b(NmCrypt(NmCrypt::Costo{1, 8}, 2000));
  b.salva(file);
  const QByteArray vecchio = leggiByte(file);
  aggiungiVoce(b.scheda.elenco, QStringLiteral("lunga"), QString(1200, u'u'), {}, {});
  b.salva(file);
  QVERIFY(salvataggioFallito(b, file));
  QCOMPARE(leggiByte(file), vecchio);
}

void TestCondizioniAvverse::nessunaPasswordRestaInMemoria() {
#ifdef CON_ASAN
  QSKIP("the address sanitizer keeps freed memory aside and maps shadow memory");
#endif
  const QString file = percorso(QStringLiteral("lista.kvx"));
  QVERIFY(nelFiglio([&] {
    // The passwords exist whole only in the tree; the test keeps them masked. The second, with
    // a lone parenthesis, is written in its escaped form.
    constexpr char maschera = 0x5A;
    QString password[2];
    QByteArray mascherati[2][2];  // each password's 8-bit and 16-bit forms
    for (int p = 0; p < 2; ++p) {
      password[p].reserve(24);  // grown in place: no shorter copy is left behind
      for (int i = 0; i < 24; ++i) {
        const char c = p == 1 && i == 12 ? ')' : static_cast<char>('a' + ::randombytes_uniform(26));
        password[p] += QLatin1Char(c);
        mascherati[p][0] += static_cast<char>(c ^ maschera);
        mascherati[p][1] += static_cast<char>(c ^ maschera);
        mascherati[p][1] += maschera;
      }
    }
    {
      // Typed into the form, as a user adds them; the list emptied between the two.
      BancoCifrato b;
      for (int p = 0; p < 2; ++p) {
        b.banco.modulo.scrivi(Modulo::Campo::Nome, QStringLiteral("posta"));
        b.banco.modulo.scrivi(Modulo::Campo::Password, password[p]);
        b.banco.modulo.scrivi(Modulo::Campo::Descrizione, QString(300, u'd') + password[p]);
        azzera(password[p]);
        password[p] = QString();
        pls_aggiungi(b.scheda, b.banco.ambiente);
        if (p == 0) menu_nuova(b.scheda, b.banco.ambiente);
      }
      b.salva(file);
      menu_nuova(b.scheda, b.banco.ambiente);
      b.carica(file);
      QCOMPARE(b.scheda.elenco.Count(), 4);
      menu_nuova(b.scheda, b.banco.ambiente);
      b.banco.modulo.scrivi(Modulo::Campo::Nome, QStringLiteral("altra"));
      pls_aggiungi(b.scheda, b.banco.ambiente);
      menu_nuova(b.scheda, b.banco.ambiente);
    }
    for (const auto& forme : mascherati)
      for (const QByteArray& forma : forme) QVERIFY(!inMemoria(forma, maschera));
  }));
}

void TestCondizioniAvverse::azzeraOgniCarattere() {
  QString testo(33, u'x');
  azzera(testo);
  QCOMPARE(testo, QString(33, QChar()));
  QByteArray byte(33, 'x');
  azzera(byte);
  QCOMPARE(byte, QByteArray(33, '\0'));
}

void TestCondizioniAvverse::nessunaChiaveRestaInMemoria() {
#ifdef CON_ASAN
  QSKIP("the address sanitizer keeps freed memory aside and maps shadow memory");
#endif
  const QString file = percorso(QStringLiteral("lista.kvx"));
  QVERIFY(nelFiglio([&] {
    // The typed key and a password that "Incolla Valore" writes over, kept masked in their
    // 16-bit form; each prompt or field gets a string of its own, made from the mask. Of a length
    // few other strings have, so that a copy freed unwiped is not soon written over.
    constexpr char maschera = 0x5A;
    QByteArray chiave, vecchia;
    for (QByteArray* forma : {&chiave, &vecchia})
      for (int i = 0; i < 333; ++i) {
        *forma += static_cast<char>(('a' + ::randombytes_uniform(26)) ^ maschera);
        *forma += maschera;
      }
    const auto testo = [&](const QByteArray& forma) {
      QString t;
      t.reserve(forma.size() / 2);
      for (qsizetype i = 0; i < forma.size(); i += 2)
        t += QLatin1Char(static_cast<char>(forma[i] ^ maschera));
      return t;
    };
    BancoCifrato b;
    Albero& elenco = b.scheda.elenco;
    {
      QString v = testo(vecchia);
      elenco.setSelectedItem(elenco.Add(nullptr, {}, {}, v));
      azzera(v);
    }
    b.banco.appunti.contenuto = QStringLiteral("incollata");
    incolla(b.scheda, b.banco.ambiente);
    QCOMPARE(elenco.Text(elenco.Item(1)), QStringLiteral("incollata"));
    QVERIFY(!inMemoria(vecchia, maschera));

    b.banco.dialog.risposte.push_back(file);
    b.banco.richiesta.risposte = {testo(chiave), testo(chiave)};
    menu_salva(b.scheda, b.file, b.ambiente);
    b.banco.dialog.risposte.push_back(file);
    b.banco.richiesta.risposte = {testo(chiave)};
    menu_carica(b.scheda, b.file, b.ambiente);
    QVERIFY(b.banco.messaggi.avvisi.isEmpty());

    // The key the commands derived from it, as the file's header asks.
    QByteArray derivata;
    {
      const auto aperta = b.cifrario.apri(leggi_file_lista(file));
      QVERIFY(aperta);
      // From guarded memory: a string here could take the heap block the key left.
      Segreto k(static_cast<std::size_t>(chiave.size()));
      for (qsizetype i = 0; i < chiave.size(); ++i)
        k.dati()[i] = static_cast<unsigned char>(chiave[i] ^ maschera);
      const std::optional<Segreto> d = NmCrypt::derivaChiave(
          QStringView(reinterpret_cast<const char16_t*>(k.dati()), chiave.size() / 2),
          aperta->intestazione);
      QVERIFY(d);
      for (std::size_t i = 0; i < d->dimensione(); ++i)
        derivata += static_cast<char>(d->dati()[i] ^ maschera);
    }
    for (const QByteArray& forma : {chiave, derivata}) QVERIFY(!inMemoria(forma, maschera));
  }));
}

void TestCondizioniAvverse::bloccataNonTieneNullaInChiaro() {
#ifdef CON_ASAN
  QSKIP("the address sanitizer keeps freed memory aside and maps shadow memory");
#endif
  const QString file = percorso(QStringLiteral("lista.kvx"));
  QVERIFY(nelFiglio([&] {
    // A saved password, an unsaved one and one left typed in the form, kept masked in their
    // 16-bit form.
    constexpr char maschera = 0x5A;
    QByteArray forme[3];
    QString password[3];
    for (int p = 0; p < 3; ++p) {
      password[p].reserve(24);
      for (int i = 0; i < 24; ++i) {
        const char c = static_cast<char>('a' + ::randombytes_uniform(26));
        password[p] += QLatin1Char(c);
        forme[p] += static_cast<char>(c ^ maschera);
        forme[p] += maschera;
      }
    }
    BancoCifrato b;
    for (int p = 0; p < 3; ++p) {
      b.banco.modulo.scrivi(Modulo::Campo::Nome, QStringLiteral("posta"));
      b.banco.modulo.scrivi(Modulo::Campo::Password, password[p]);
      azzera(password[p]);
      password[p] = QString();
      if (p < 2) pls_aggiungi(b.scheda, b.banco.ambiente);
      if (p == 0) b.salva(file);
    }
    QVERIFY(blocca_lista(b.scheda, b.file, b.ambiente));
    for (const QByteArray& forma : forme) QVERIFY(!inMemoria(forma, maschera));
  }));
}

QTEST_GUILESS_MAIN(TestCondizioniAvverse)
#include "test_condizioni_avverse.moc"
