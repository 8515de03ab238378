#include <QtTest>

#include "comune/errore.h"
#include "listfile/file_lista.h"
#include "supporto/file_prova.h"

using namespace custodex;

using namespace custodex::copione;

class TestFileLista : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void unaRigaTraVirgolette();
  void riscritturaEPermessi();
  void scritturaImpossibile_data();
  void scritturaImpossibile();
  void scritturaInterrottaLasciaIlVecchio();
  void testoSenzaFormaDiRiga_data();
  void testoSenzaFormaDiRiga();
  void voci_data();
  void voci();
  void letturaImpossibile();
  void limiteComuneASalvataggioECaricamento();
  void soloLaVoceRiconosciutaVieneLetta();

 private:
  std::unique_ptr<QTemporaryDir> cartella_;
};

void TestFileLista::init() {
  cartella_ = std::make_unique<QTemporaryDir>();
  QVERIFY(cartella_->isValid());
}

void TestFileLista::unaRigaTraVirgolette() {
  const QString percorso = cartella_->filePath(QStringLiteral("lista.kvx"));
  scrivi_file_lista(percorso, QStringLiteral("CDXabc-_09"));
  QCOMPARE(leggiByte(percorso), QByteArray("\"CDXabc-_09\"\r\n"));
  QCOMPARE(leggi_file_lista(percorso), QStringLiteral("CDXabc-_09"));
  // No temporary file is left beside it.
  QCOMPARE(QDir(cartella_->path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
           QStringList{QStringLiteral("lista.kvx")});
}

void TestFileLista::riscritturaEPermessi() {
  const mode_t maschera = ::umask(022);
  const QString nuovo = cartella_->filePath(QStringLiteral("nuovo.kvx"));
  scrivi_file_lista(nuovo, QStringLiteral("uno"));
  QCOMPARE(permessi(nuovo), mode_t{0600});

  // An existing file is replaced whole and keeps the permissions its owner gave it.
  const QString vecchio = cartella_->filePath(QStringLiteral("vecchio.kvx"));
  QVERIFY(scriviByte(vecchio, QByteArray("\"un testo vecchio e molto piu' lungo\"\r\n")));
  QVERIFY(::chmod(QFile::encodeName(vecchio).constData(), 0640) == 0);
  scrivi_file_lista(vecchio, QStringLiteral("due"));
  QCOMPARE(leggiByte(vecchio), QByteArray("\"due\"\r\n"));
  QCOMPARE(permessi(vecchio), mode_t{0640});
  ::umask(maschera);
}

void TestFileLista::scritturaImpossibile_data() {
  QTest::addColumn<QString>("relativo");
  QTest::newRow("cartella inesistente") << QStringLiteral("manca/lista.kvx");
  QTest::newRow("cartella che e' un file") << QStringLiteral("file/lista.kvx");
  QTest::newRow("il nome e' una cartella") << QStringLiteral("cartella");
}

void TestFileLista::scritturaImpossibile() {
  QFETCH(QString, relativo);
  QVERIFY(scriviByte(cartella_->filePath(QStringLiteral("file")), "x"));
  QVERIFY(QDir(cartella_->path()).mkdir(QStringLiteral("cartella")));
  try {
    scrivi_file_lista(cartella_->filePath(relativo), QStringLiteral("abc"));
    QFAIL("no error");
  } catch (const Errore& e) {
    QCOMPARE(e.numero(), int(Errore::FileNonScritto));
    QVERIFY(!e.descrizione().isEmpty());
  }
  QCOMPARE(leggiByte(cartella_->filePath(QStringLiteral("file"))), QByteArray("x"));
}

void TestFileLista::scritturaInterrottaLasciaIlVecchio() {
  const QString percorso = cartella_->filePath(QStringLiteral("lista.kvx"));
  scrivi_file_lista(percorso, QStringLiteral("vecchio"));
  {
    const LimiteFile limite(1000);
    QVERIFY_THROWS_EXCEPTION(Errore, scrivi_file_lista(percorso, QString(5000, u'n')));
  }
  QCOMPARE(leggiByte(percorso), QByteArray("\"vecchio\"\r\n"));
  QCOMPARE(QDir(cartella_->path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
           QStringList{QStringLiteral("lista.kvx")});
}

void TestFileLista::testoSenzaFormaDiRiga_data() {
  QTest::addColumn<QString>("voce");
  QTest::newRow("virgolette") << QStringLiteral("a\"b");
  QTest::newRow("a capo") << QStringLiteral("a\nb");
  QTest::newRow("ritorno") << QStringLiteral("a\rb");
  QTest::newRow("oltre un byte") << QStringLiteral("città");
}

void TestFileLista::testoSenzaFormaDiRiga() {
  QFETCH(QString, voce);
  const QString percorso = cartella_->filePath(QStringLiteral("lista.kvx"));
  scrivi_file_lista(percorso, QStringLiteral("buono"));
  QVERIFY_THROWS_EXCEPTION(Errore, scrivi_file_lista(percorso, voce));
  QCOMPARE(leggiByte(percorso), QByteArray("\"buono\"\r\n"));
}

void TestFileLista::voci_data() {
  QTest::addColumn<QByteArray>("contenuto");
  QTest::addColumn<QString>("ultima");
  QTest::newRow("file vuoto") << QByteArray() << QString();
  QTest::newRow("riga scritta") << QByteArray("\"abc\"\r\n") << QStringLiteral("abc");
  QTest::newRow("senza fine riga") << QByteArray("\"abc\"") << QStringLiteral("abc");
  QTest::newRow("seconda riga tra virgolette")
      << QByteArray("\"primo\"\r\n\"secondo\"\r\n") << QStringLiteral("secondo");
  QTest::newRow("seconda voce dopo virgola")
      << QByteArray("\"primo\",\"secondo\"\r\n") << QStringLiteral("secondo");
  QTest::newRow("spazi prima delle virgolette")
      << QByteArray("   \"a, b\"\r\n") << QStringLiteral("a, b");
  QTest::newRow("senza virgolette fino alla virgola")
      << QByteArray("uno,due\r\n") << QStringLiteral("due");
  QTest::newRow("senza virgolette fino a capo") << QByteArray("uno\ndue") << QStringLiteral("due");
  QTest::newRow("virgolette mai chiuse")
      << QByteArray("\"abc\r\ndef") << QStringLiteral("abc\r\ndef");
  QTest::newRow("coda dopo le virgolette") << QByteArray("\"abc\"xyz\r\n") << QStringLiteral("abc");
  QTest::newRow("riga vuota in fondo") << QByteArray("\"abc\"\r\n\r\n") << QString();
  QTest::newRow("byte oltre ascii") << QByteArray("\"\xE9\xFF\"") << QStringLiteral("\u00E9\u00FF");
  // The file is read a block of 64 KiB at a time: a line end and a quote across the seam.
  const QByteArray blocco(65535, 'x');
  QTest::newRow("CR LF a cavallo") << blocco + "\r\n\"abc\"" << QStringLiteral("abc");
  QTest::newRow("virgolette a cavallo") << QByteArray(65535, ' ') + "\"a,\r\nb\"\r\n"
                                        << QStringLiteral("a,\r\nb");
  QTest::newRow("voce lunga oltre il blocco")
      << "\"" + blocco + blocco + "\"" << QString::fromLatin1(blocco + blocco);
}

void TestFileLista::voci() {
  QFETCH(QByteArray, contenuto);
  QFETCH(QString, ultima);
  QCOMPARE(ultima_voce(contenuto), ultima);
  const QString percorso = cartella_->filePath(QStringLiteral("lista.kvx"));
  QVERIFY(scriviByte(percorso, contenuto));
  QCOMPARE(leggi_file_lista(percorso), ultima);
}

void TestFileLista::letturaImpossibile() {
  QVERIFY_THROWS_EXCEPTION(Errore,
                           leggi_file_lista(cartella_->filePath(QStringLiteral("manca.kvx"))));
  QVERIFY_THROWS_EXCEPTION(Errore, leggi_file_lista(cartella_->path()));
}

void TestFileLista::limiteComuneASalvataggioECaricamento() {
  // A file of exactly the bound is written and read; one byte more is neither.
  const QString percorso = cartella_->filePath(QStringLiteral("lista.kvx"));
  const qint64 massimo = 1000;
  scrivi_file_lista(percorso, QString(massimo - 4, u'a'), massimo);
  QCOMPARE(leggi_file_lista(percorso, {}, massimo).size(), massimo - 4);
  QVERIFY_THROWS_EXCEPTION(Errore,
                           scrivi_file_lista(percorso, QString(massimo - 3, u'b'), massimo));
  QCOMPARE(leggiByte(percorso).size(), massimo);
  QVERIFY(scriviByte(percorso, QByteArray(massimo + 1, 'c')));
  QVERIFY_THROWS_EXCEPTION(Errore, leggi_file_lista(percorso, {}, massimo));
}

void TestFileLista::soloLaVoceRiconosciutaVieneLetta() {
  // The last item is the one shown, by its first characters and its whole length.
  const QString percorso = cartella_->filePath(QStringLiteral("lista.kvx"));
  const QByteArray lunga = "CDX" + QByteArray(100000, 'A');
  QVERIFY(scriviByte(percorso, "\"primo\"\r\n\"" + lunga + "\"\r\n"));
  QStringList visti;
  QList<qint64> lunghezze;
  bool accetta = false;
  const auto riconosce = [&](QStringView inizio, qint64 n) {
    visti << inizio.toString();
    lunghezze << n;
    return accetta;
  };
  QCOMPARE(leggi_file_lista(percorso, riconosce), QString());
  QCOMPARE(visti, QStringList{QString::fromLatin1(lunga.left(primiCaratteri))});
  QCOMPARE(lunghezze, QList<qint64>{lunga.size()});
  accetta = true;
  QCOMPARE(leggi_file_lista(percorso, riconosce), QString::fromLatin1(lunga));
}

QTEST_GUILESS_MAIN(TestFileLista)
#include "test_file_lista.moc"
