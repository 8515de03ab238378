#include <QDir>
#include <QTemporaryDir>
#include <QTest>

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
    for (const QString& f : {lista, trattino}) {
      QFile file(f);
      QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QDir::setCurrent(cartella.path());
  }

  void rigaComando_data() {
    QTest::addColumn<QStringList>("argomenti");
    QTest::addColumn<int>("richiesta");
    QTest::addColumn<QString>("file");
    auto riga = [](const char* nome, QStringList a, Richiesta r, QString f = {}) {
      QTest::newRow(nome) << a << static_cast<int>(r) << f;
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
  }
  void rigaComando() {
    QFETCH(QStringList, argomenti);
    QFETCH(int, richiesta);
    QFETCH(QString, file);
    const RigaComando riga = leggiRigaComando(argomenti);
    QCOMPARE(static_cast<int>(riga.richiesta), richiesta);
    QCOMPARE(riga.file, file);
    QCOMPARE(riga.errore.isEmpty(), richiesta < static_cast<int>(Richiesta::Ignota));
  }

  // Help, version and mistakes need no display; a start, or an option Qt may know, waits for Qt.
  void senzaFinestra() {
    auto risposta = [](std::initializer_list<const char*> a) {
      std::vector<const char*> argv{"custodex"};
      argv.insert(argv.end(), a);
      return rispostaSenzaFinestra(static_cast<int>(argv.size()), argv.data());
    };
    QCOMPARE(risposta({"--version"}), std::optional<int>(0));
    QCOMPARE(risposta({"altra.kvx"}), std::optional<int>(2));
    QCOMPARE(risposta({"casa.kvx"}), std::nullopt);
    QCOMPARE(risposta({"-platform", "offscreen", "casa.kvx"}), std::nullopt);
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
