#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "listfile/comandi_scambio.h"
#include "supporto/copione.h"
#include "supporto/file_prova.h"

using namespace custodex;
using copione::aggiungiVoce;
using copione::Banco;
using copione::testiNodi;

namespace {

// The nodes of one entry as the add command lays them.
QStringList voce(const QString& nome, const QString& utente, const QString& password,
                 const QString& descrizione) {
  return {nome, "Username: " + utente, "Password: " + password,
          descrizione.isEmpty() ? QStringLiteral("Nessuna Descrizione") : descrizione};
}

void importa(Banco& b, const QString& file) {
  b.scambio.risposte.push_back(file);
  menu_importa(b.scheda, b.ambiente);
}

// The five entries every fixture means, as the group-keeping keepers hold them.
const QStringList radice = voce(u"Radice senza gruppo"_qs, {}, {}, {});
const QStringList virgola = voce(u"Nome, con virgola"_qs, u"utente \"q\""_qs, u"  spazi  "_qs,
                                 u"URL: ftp://example.org\n\ttab iniziale"_qs);
QStringList conto(const QString& url) {
  return voce(u"Conto àèìòù"_qs, u"rossi"_qs, u"pässwörd€😀"_qs,
              "URL: " + url + u"\nGruppo: Banca\nriga uno\nriga due"_qs);
}
const QStringList sparkasse = voce(u"Sparkasse"_qs, u"mrossi"_qs, u"=HYPERLINK(\"http://x\")"_qs,
                                   u"Gruppo: Banca/Conti esteri\n+cmd|calc, @SUM(1)"_qs);
QStringList gmail(const QString& password, const QString& url = u"https://mail.google.com"_qs) {
  return voce(u"Gmail"_qs, u"mario.rossi@example.com"_qs, password,
              "URL: " + url + u"\nGruppo: Posta\nNota con virgola, e \"virgolette\""_qs);
}
const QString banca = u"https://banca.example.it/login?a=1&b=2"_qs;
QStringList controllo(const QString& password) {
  return voce(u"Controllo"_qs, u"u"_qs, password, u"cr\nlf\nend"_qs);
}

}  // namespace

class TestImportaEsporta : public QObject {
  Q_OBJECT

 private slots:
  void formati_data();
  void formati();
  void casiOstili_data();
  void casiOstili();
  void andataERitorno();
  void unAltroProgrammaLeggeLExport();
};

void TestImportaEsporta::formati_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<QStringList>("nodi");
  QTest::addColumn<QString>("resoconto");
  const QString tutte = u"Importate 5 voci dal file (%1)."_qs;
  QTest::newRow("keepassxc.csv") << "keepassxc.csv"
                                 << radice + virgola + conto(banca) + sparkasse +
                                        gmail("p@ss,word\"1")
                                 << tutte.arg(u"CSV di KeePassXC"_qs);
  QTest::newRow("keepassxc-with-recyclebin.csv")
      << "keepassxc-with-recyclebin.csv"
      << virgola + conto(banca) + sparkasse + gmail("nuova-password")
      << u"Importate 4 voci dal file (CSV di KeePassXC).\n\nNon importate:\n  - 1 voci nel "
         "cestino"_qs;
  QTest::newRow("keepassxc-control-chars.csv")
      << "keepassxc-control-chars.csv"
      << radice + virgola +
             controllo(
                 u"a\x01"
                 "b\x1b"
                 "c"_qs) +
             conto(banca) + sparkasse + gmail("p@ss,word\"1")
      << u"Importate 6 voci dal file (CSV di KeePassXC)."_qs;
  QTest::newRow("keepassxc-kdbx31.xml")
      << "keepassxc-kdbx31.xml"
      << radice + virgola + conto(banca) + sparkasse + gmail("p@ss,word\"1")
      << tutte.arg(u"XML di KeePass 2"_qs);
  QTest::newRow("keepassxc-kdbx41-history-recyclebin.xml")
      << "keepassxc-kdbx41-history-recyclebin.xml"
      << virgola + conto(banca) + sparkasse + gmail("nuova-password")
      << u"Importate 4 voci dal file (XML di KeePass 2).\n\nNon importate:\n  - 1 versioni "
         "precedenti di voci (la cronologia)\n  - 1 voci nel cestino"_qs;
  // The exporter that dropped the control characters: what it wrote is what comes in.
  QTest::newRow("keepassxc-control-chars.xml")
      << "keepassxc-control-chars.xml"
      << radice + virgola + controllo(u"abc"_qs) + conto(banca) + sparkasse + gmail("p@ss,word\"1")
      << u"Importate 6 voci dal file (XML di KeePass 2)."_qs;
  QTest::newRow("keepass2-minimale.xml")
      << "keepass2-minimale.xml" << voce(u"Sito"_qs, u"io"_qs, u"pw<&>"_qs, u"nota"_qs)
      << u"Importate 1 voci dal file (XML di KeePass 2)."_qs;
  QTest::newRow("bitwarden.csv") << "bitwarden.csv"
                                 << gmail("p@ss,word\"1", u"https://mail.google.com/"_qs) +
                                        conto(banca) + sparkasse + virgola
                                 << u"Importate 4 voci dal file (CSV di Bitwarden)."_qs;
  // No groups; a row with neither name nor URL is named after its user.
  QTest::newRow("chrome-linux.csv")
      << "chrome-linux.csv"
      << voce(u"mrossi"_qs, u"mrossi"_qs, u"=HYPERLINK(\"http://x\")"_qs,
              u"+cmd|calc, @SUM(1)"_qs) +
             voce(u"banca.example.it"_qs, u"rossi"_qs, u"pässwörd€😀"_qs,
                  "URL: " + banca + u"\nriga uno\nriga due"_qs) +
             voce(u"example.org"_qs, u"utente \"q\""_qs, u"  spazi  "_qs,
                  u"URL: ftp://example.org\n\ttab iniziale"_qs) +
             voce(u"mail.google.com"_qs, u"mario.rossi@example.com"_qs, u"p@ss,word\"1"_qs,
                  u"URL: https://mail.google.com/\nNota con virgola, e \"virgolette\""_qs)
      << u"Importate 4 voci dal file (CSV di Chrome)."_qs;
  QTest::newRow("firefox.csv") << "firefox.csv"
                               << voce(u"mail.google.com"_qs, u"mario.rossi@example.com"_qs,
                                       u"p@ss,word\"1"_qs, u"URL: https://mail.google.com"_qs) +
                                      voce(u"banca.example.it"_qs, u"rossi"_qs, u"pässwörd€😀"_qs,
                                           u"URL: https://banca.example.it"_qs) +
                                      voce(u"mrossi"_qs, u"mrossi"_qs,
                                           u"=HYPERLINK(\"http://x\")"_qs, {}) +
                                      voce(u"example.org"_qs, u"utente \"q\""_qs, u"  spazi  "_qs,
                                           u"URL: ftp://example.org"_qs)
                               << u"Importate 4 voci dal file (CSV di Firefox)."_qs;
}

void TestImportaEsporta::formati() {
  QFETCH(QString, file);
  QFETCH(QStringList, nodi);
  QFETCH(QString, resoconto);
  const QString percorso = QFINDTESTDATA("dati/formati/" + file);
  QVERIFY(!percorso.isEmpty());
  Banco b;
  // Appended after what the list holds; the list's own file stays the one it was.
  aggiungiVoce(b.scheda.elenco, u"Già qui"_qs, u"a"_qs, u"b"_qs, {});
  b.scheda.nnodi.imposta(1);
  b.dialog.fileName = u"/lista.kvx"_qs;
  importa(b, percorso);
  QCOMPARE(testiNodi(b.scheda.elenco), voce(u"Già qui"_qs, u"a"_qs, u"b"_qs, {}) + nodi);
  QCOMPARE(b.scheda.nnodi.valore(), 1 + nodi.size() / 4);
  QCOMPARE(b.messaggi.avvisi.size(), 1);
  QCOMPARE(b.messaggi.avvisi[0].testo, resoconto);
  QCOMPARE(b.dialog.fileName, u"/lista.kvx"_qs);
  QCOMPARE(b.scambio.filtri, QStringList{testi_scambio::filtroImporta});
}

void TestImportaEsporta::casiOstili_data() {
  QTest::addColumn<QByteArray>("byte");
  QTest::addColumn<QStringList>("nodi");
  QTest::addColumn<QString>("avviso");  // the report begins so
  const QByteArray chrome = "name,url,username,password\n";
  const QString una = u"Importate 1 voci dal file (CSV di Chrome)."_qs;
  QTest::newRow("virgolette doppie") << chrome + "a,,u,\"p\"\"q\"\"\"\n"
                                     << voce("a", "u", "p\"q\"", {}) << una;
  QTest::newRow("a capo tra virgolette") << chrome + "a,,\"u\r\nv\",\"x\ny\"\n"
                                         << voce("a", "u\r\nv", "x\ny", {}) << una;
  QTest::newRow("# a inizio riga") << chrome + "#a,,u,p\n" << voce("#a", "u", "p", {}) << una;
  QTest::newRow("CRLF e LF") << QByteArray("name,url,username,password\r\na,,u,p\nb,,v,q\r\n")
                             << voce("a", "u", "p", {}) + voce("b", "v", "q", {})
                             << u"Importate 2 voci"_qs;
  QTest::newRow("nessun a capo finale") << chrome + "a,,u,p" << voce("a", "u", "p", {}) << una;
  QTest::newRow("BOM") << "\xEF\xBB\xBF" + chrome + "a,,u,p\n" << voce("a", "u", "p", {}) << una;
  QTest::newRow("Windows-1252")
      << chrome + "caf\xE9,,u,\x80\x96\n"
      << voce(u"café"_qs, "u", u"€–"_qs, {})
      << una + u"\n\nIl file non era in UTF-8 valido: è stato letto come Windows-1252."_qs;
  QTest::newRow("intestazione sconosciuta")
      << QByteArray("foo,bar\n1,2\n") << QStringList()
      << u"Errore! Nessuna voce importata dal file %1\n\nMotivo: L'intestazione del file non è "
         "quella di nessun formato conosciuto. I formati compresi sono:\n  - CSV di KeePassXC"_qs;
  QTest::newRow("file vuoto") << QByteArray() << QStringList()
                              << u"Errore! Nessuna voce importata dal file %1\n\nMotivo: Il file "
                                 "è vuoto"_qs;
  QTest::newRow("solo intestazione")
      << chrome << QStringList() << u"Nessuna voce importata: il file (CSV di Chrome)"_qs;
  QTest::newRow("valore con NUL") << chrome + QByteArray("a,,u,\"p\0q\"\n", 11)
                                  << voce("a", "u", QString(u"p\0q"_qs), {}) << una;
  QTest::newRow("virgolette mai chiuse")
      << chrome + "a,,u,\"p\nb,,v,q\n"
      << QStringList()
      << u"Errore! Nessuna voce importata dal file %1\n\nMotivo: Virgolette mai chiuse nel record "
         "che inizia alla riga 2"_qs;
  QTest::newRow("campi in più") << chrome + "a,,u,p,x\nb,,v,q\n"
                                << voce("b", "v", "q", {})
                                << una +
                                       u"\n\nNon importate:\n  - 1 righe con un numero di campi "
                                       "diverso dall'intestazione (la prima alla riga 2)"_qs;
  QTest::newRow("XML ancora cifrato")
      << QByteArray(
             "<KeePassFile><Root><Group><Entry><String><Key>Password</Key>"
             "<Value Protected=\"True\">c2VncmV0bw==</Value></String></Entry></Group>"
             "</Root></KeePassFile>")
      << QStringList()
      << u"Errore! Nessuna voce importata dal file %1\n\nMotivo: Il file XML "
         "contiene valori ancora cifrati"_qs;
  // Refused by its size before a byte is read: no wait, no memory.
  QTest::newRow("100 MiB") << QByteArray("100 MiB") << QStringList()
                           << u"Errore! Nessuna voce importata dal file %1\n\nMotivo: Il file è "
                              "troppo grande (100 MiB; al più 64 MiB)"_qs;
}

void TestImportaEsporta::casiOstili() {
  QFETCH(QByteArray, byte);
  QFETCH(QStringList, nodi);
  QFETCH(QString, avviso);
  QTemporaryDir cartella;
  const QString file = cartella.filePath(u"importa.csv"_qs);
  if (byte == "100 MiB") {
    QFile grande(file);
    QVERIFY(grande.open(QIODevice::WriteOnly) && grande.resize(qint64{100} << 20));
  } else {
    QVERIFY(copione::scriviByte(file, byte));
  }
  Banco b;
  importa(b, file);
  QCOMPARE(testiNodi(b.scheda.elenco), nodi);
  QCOMPARE(b.scheda.nnodi.valore(), nodi.size() / 4);
  QCOMPARE(b.messaggi.avvisi.size(), 1);
  const QString atteso =
      avviso.contains(u"%1"_qs) ? avviso.arg(QDir::toNativeSeparators(file)) : avviso;
  QVERIFY2(b.messaggi.avvisi[0].testo.startsWith(atteso), qPrintable(b.messaggi.avvisi[0].testo));
  // Nothing imported is never told as a success.
  QCOMPARE(b.messaggi.avvisi[0].icona,
           nodi.isEmpty() ? Messaggi::Icona::Critica : Messaggi::Icona::Nessuna);
}

void TestImportaEsporta::andataERitorno() {
  // Values of every awkward kind: the characters a CSV or XML writer must escape, the formula
  // starters, blanks at the ends, accents and characters beyond the BMP.
  const QString pezzi[] = {u"\""_qs, u","_qs, u"\n"_qs, u"\r\n"_qs, u"\r"_qs, u"="_qs,      u"+"_qs,
                           u"-"_qs,  u"@"_qs, u"\t"_qs, u" "_qs,    u"à"_qs,  u"€"_qs,      u"😀"_qs,
                           u"<"_qs,  u"&"_qs, u"#"_qs,  u"x"_qs,    u"Zy"_qs, u"Nessuna"_qs};
  QRandomGenerator caso(17);
  const auto valore = [&](int minimo) {
    QString s;
    for (int n = minimo + static_cast<int>(caso.bounded(12)); n > 0; --n)
      s += pezzi[caso.bounded(static_cast<int>(std::size(pezzi)))];
    return s;
  };
  Banco origine;
  for (int i = 0; i < 200; ++i)
    aggiungiVoce(origine.scheda.elenco, valore(1), valore(0), valore(0), valore(1));
  const QStringList nodi = testiNodi(origine.scheda.elenco);
  QTemporaryDir cartella;
  for (const QString& nome : {u"lista.csv"_qs, u"lista.xml"_qs}) {
    const QString file = cartella.filePath(nome);
    origine.messaggi.risposte.push_back(true);
    origine.scambio.risposte.push_back(file);
    menu_esporta(origine.scheda, origine.ambiente);
    QCOMPARE(origine.messaggi.domande.last(), testi_scambio::avvisoEsporta);
    QCOMPARE(origine.messaggi.avvisi.last().testo, testi_scambio::esportate(200, file));
    QCOMPARE(copione::permessi(file), mode_t{0600});
    Banco ritorno;
    importa(ritorno, file);
    QCOMPARE(testiNodi(ritorno.scheda.elenco), nodi);
  }
  // Nothing left beside the files: no temporary copy in clear.
  QCOMPARE(QDir(cartella.path()).entryList(QDir::Files | QDir::Hidden),
           (QStringList{u"lista.csv"_qs, u"lista.xml"_qs}));

  // A control character has no form in XML: refused, naming the entry, nothing written; the
  // CSV keeps it.
  Banco controllo;
  aggiungiVoce(controllo.scheda.elenco, u"Controllo"_qs, u"u"_qs,
               u"a\x01"
               "b"_qs,
               {});
  const QString xml = cartella.filePath(u"controllo.xml"_qs);
  controllo.scambio.risposte.push_back(xml);
  menu_esporta(controllo.scheda, controllo.ambiente);
  QVERIFY(controllo.messaggi.avvisi.last().testo.contains(u"La voce «Controllo»"_qs));
  QVERIFY(!QFile::exists(xml));
  // Answering No to the warning writes nothing and asks for no file.
  controllo.messaggi.risposte.push_back(false);
  menu_esporta(controllo.scheda, controllo.ambiente);
  QCOMPARE(controllo.scambio.mostrati.size(), 1);
}

void TestImportaEsporta::unAltroProgrammaLeggeLExport() {
  const QString cli = QStandardPaths::findExecutable(u"keepassxc-cli"_qs);
  if (cli.isEmpty()) QSKIP("keepassxc-cli non è installato");
  Banco b;
  aggiungiVoce(b.scheda.elenco, u"Conto àèìòù"_qs, u"utente \"q\""_qs, u"  p@ss,wörd😀 "_qs,
               u"riga uno\nriga due"_qs);
  aggiungiVoce(b.scheda.elenco, u"=Formula"_qs, u"-u"_qs, u"+p"_qs, {});
  QTemporaryDir cartella;
  const QString xml = cartella.filePath(u"lista.xml"_qs);
  const QString kdbx = cartella.filePath(u"lista.kdbx"_qs);
  b.scambio.risposte.push_back(xml);
  menu_esporta(b.scheda, b.ambiente);
  const auto esegui = [&](const QStringList& argomenti, const QByteArray& ingresso) {
    QProcess p;
    p.start(cli, argomenti);
    p.write(ingresso);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000) || p.exitCode() != 0) qWarning() << p.readAllStandardError();
    return p.readAllStandardOutput();
  };
  esegui({u"import"_qs, u"-q"_qs, u"-p"_qs, u"-t"_qs, u"100"_qs, xml, kdbx}, "k\nk\n");
  QVERIFY(QFile::exists(kdbx));
  for (const auto& [titolo, attesi] :
       {std::pair{u"Conto àèìòù"_qs,
                  QStringList{u"utente \"q\""_qs, u"  p@ss,wörd😀 "_qs, u"riga uno\nriga due"_qs}},
        std::pair{u"=Formula"_qs, QStringList{u"-u"_qs, u"+p"_qs, QString()}}}) {
    QStringList letti;
    for (const char* attributo : {"username", "password", "notes"})
      letti << QString::fromUtf8(esegui({u"show"_qs, u"-q"_qs, u"-s"_qs, u"-a"_qs,
                                         QString::fromLatin1(attributo), kdbx, "/" + titolo},
                                        "k\n"))
                   .chopped(1);
    QCOMPARE(letti, attesi);
  }
}

QTEST_MAIN(TestImportaEsporta)
#include "test_importa_esporta.moc"
