#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "app/icona.h"
#include "app/riga_comando.h"

using namespace custodex;
using Richiesta = RigaComando::Richiesta;

// What the desktop hands the program: the command line of its menu entry or of a file manager,
// and the icon every window shows.
class TestDesktop : public QObject {
  Q_OBJECT

  QTemporaryDir cartella;
  QString lista, trattino;

 private slots:
  void initTestCase() {
    QVERIFY(cartella.isValid());
    lista = cartella.filePath(QStringLiteral("casa.kvx"));
    trattino = cartella.filePath(QStringLiteral("-strano.kvx"));
    for (const QString& f : {lista, trattino, cartella.filePath(QStringLiteral("-reverse"))}) {
      QFile file(f);
      QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QDir::setCurrent(cartella.path());
  }

  void rigaComando_data() {
    QTest::addColumn<QStringList>("argomenti");
    QTest::addColumn<int>("richiesta");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("importa");
    auto riga = [](const char* nome, QStringList a, Richiesta r, QString f = {}, QString i = {}) {
      QTest::newRow(nome) << a << static_cast<int>(r) << f << i;
    };
    riga("nulla", {}, Richiesta::Avvia);
    riga("file relativo", {"casa.kvx"}, Richiesta::Avvia, lista);
    riga("dopo --, anche col trattino", {"--", "-strano.kvx"}, Richiesta::Avvia, trattino);
    riga("--help", {"--help"}, Richiesta::Aiuto);
    riga("-h dopo un file", {"casa.kvx", "-h"}, Richiesta::Aiuto);
    riga("--version", {"--version"}, Richiesta::Versione);
    riga("-v", {"-v"}, Richiesta::Versione);
    // An option of Qt's own, before Qt has taken it out.
    riga("opzione sconosciuta", {"-style", "fusion"}, Richiesta::Ignota);
    riga("col trattino senza --", {"-strano.kvx"}, Richiesta::Ignota);
    riga("--help dopo --", {"--", "--help"}, Richiesta::Errata);
    riga("due file", {"casa.kvx", "casa.kvx"}, Richiesta::Errata);
    riga("file che non esiste", {"altra.kvx"}, Richiesta::Errata);
    riga("cartella", {"."}, Richiesta::Errata);
    riga("--importa", {"--importa", "casa.kvx"}, Richiesta::Avvia, {}, lista);
    riga("--importa=", {"--importa=casa.kvx"}, Richiesta::Avvia, {}, lista);
    riga("--importa, col trattino", {"--importa", "-strano.kvx"}, Richiesta::Avvia, {}, trattino);
    riga("--importa con una lista", {"--importa", "casa.kvx", "casa.kvx"}, Richiesta::Errata);
    riga("--importa senza file", {"--importa"}, Richiesta::Errata);
    riga("--importa due volte", {"--importa", "casa.kvx", "--importa=casa.kvx"}, Richiesta::Errata);
    riga("--importa di un file che non esiste", {"--importa", "altra.csv"}, Richiesta::Errata);
  }
  void rigaComando() {
    QFETCH(QStringList, argomenti);
    QFETCH(int, richiesta);
    QFETCH(QString, file);
    QFETCH(QString, importa);
    const RigaComando riga = leggiRigaComando(argomenti);
    QCOMPARE(static_cast<int>(riga.richiesta), richiesta);
    QCOMPARE(riga.file, file);
    QCOMPARE(riga.importa, importa);
    QCOMPARE(riga.errore.isEmpty(), richiesta < static_cast<int>(Richiesta::Ignota));
  }

  // Before Qt starts: help, version and mistakes need no display, and Qt gets its options only.
  void divisaPrimaDiQt() {
    auto dividi = [](std::vector<const char*> a) {
      a.insert(a.begin(), "custodex");
      RigaDivisa d = dividiRigaComando(int(a.size()), const_cast<char**>(a.data()));
      QStringList qt;
      for (const char* q : d.qt) qt << (q ? QString::fromLatin1(q) : QStringLiteral("<fine>"));
      return std::pair(d.riga, qt);
    };
    QCOMPARE(int(dividi({"--bogus"}).first.richiesta), int(Richiesta::Ignota));
    QCOMPARE(int(dividi({"-x", "-platform", "offscreen"}).first.richiesta), int(Richiesta::Ignota));
    QCOMPARE(int(dividi({"-style"}).first.richiesta), int(Richiesta::Errata));
    auto [riga, qt] = dividi({"--platform", "offscreen", "-reverse", "casa.kvx", "-style=x"});
    QCOMPARE(riga.file, lista);
    QCOMPARE(
        qt, (QStringList{"custodex", "--platform", "offscreen", "-reverse", "-style=x", "<fine>"}));
    std::tie(riga, qt) = dividi({"--", "-reverse"});
    QCOMPARE(riga.file, cartella.filePath(QStringLiteral("-reverse")));
    QCOMPARE(qt, (QStringList{"custodex", "<fine>"}));
    // The file to import is the program's, whatever it looks like.
    std::tie(riga, qt) = dividi({"--importa", "-reverse"});
    QCOMPARE(riga.importa, cartella.filePath(QStringLiteral("-reverse")));
    QCOMPARE(qt, (QStringList{"custodex", "<fine>"}));
    // Qt's strings cannot name this file: a file whose name they can, or none, is not opened.
    std::fclose(std::fopen("\xff.kvx", "w"));
    QVERIFY(dividi({"\xff.kvx"}).first.errore.contains(u"UTF-8"));
    QCOMPARE(int(restoDiQt({"-display", ":0"}).richiesta), int(Richiesta::Ignota));
  }

  void iconaInOgniLato() {
    const QIcon icona = iconaProgramma();
    for (const int lato : latiIcona) {
      const QSize misura(lato, lato);
      QVERIFY2(icona.availableSizes().contains(misura), qPrintable(QString::number(lato)));
      const QImage immagine = icona.pixmap(misura).toImage();
      QCOMPARE(immagine.size(), misura);
      // The key fills the picture's middle and leaves its corner clear.
      QVERIFY(qAlpha(immagine.pixel(lato / 2, lato / 2)) > 0);
      QCOMPARE(qAlpha(immagine.pixel(lato - 1, 0)), 0);
    }
  }
};

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"
