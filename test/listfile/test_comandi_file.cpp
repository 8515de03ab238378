#include <QtTest>

#include "comune/testi.h"
#include "listfile/comandi_file.h"
#include "listfile/file_lista.h"
#include "listfile/nmcrypt.h"
#include "listfile/salva_carica.h"
#include "supporto/banco_cifrato.h"
#include "supporto/copione.h"
#include "supporto/file_prova.h"

#include <cstdio>

using namespace custodex;
using copione::aggiungiVoce;
using copione::Banco;
using copione::BancoCifrato;
using copione::leggiByte;
using copione::LimiteFile;
using copione::permessi;
using copione::scriviByte;

namespace {

const QStringList registroSalva = {QStringLiteral("stato: Stato: salvataggio in corso...."),
                                   QStringLiteral("eventi"),
                                   QStringLiteral("stato: Stato: operazioni completate")};
const QStringList registroCarica = {QStringLiteral("stato: Stato: caricamento...."),
                                    QStringLiteral("eventi"),
                                    QStringLiteral("stato: Stato: operazioni completate")};

// One entry as the writer lays it out; `senzaInfoPassword` drops the password child's BasicInfo.
QString voceScritta(const QString& nome, const QString& utente, bool senzaInfoPassword = false) {
  auto info = [](int rientro, const QString& testo, int immagine) {
    const QString s(rientro, u' '), p(rientro + 2, u' ');
    return s + "BasicInfo(\r\n" + p + "Expanded(False)\r\n" + p + "ExpandedImage()\r\n" + p +
           "Image(" + QString::number(immagine) + ")\r\n" + p + "Key()\r\n" + p +
           "Selected(False)\r\n" + p + "SelectedImage(" + QString::number(immagine) + ")\r\n" + p +
           "Tag()\r\n" + p + "Text(" + testo + ")\r\n" + s + ")";
  };
  auto figlio = [&](const QString& testo, int immagine, bool senzaInfo) {
    return QStringLiteral("\r\n    Child(\r\n") +
           (senzaInfo ? QString() : info(6, testo, immagine)) + "\r\n    )";
  };
  return QStringLiteral("\r\n  Root(\r\n") + info(4, nome, 1) +
         figlio("Username: " + utente, 2, false) + figlio("Password: x", 2, senzaInfoPassword) +
         figlio("Nessuna Descrizione", 3, false) + "\r\n  )";
}

QString listaScritta(const QString& voci) {
  return "TreeView(" + voci + "\r\n)";
}

// Writes a hand-made list text as the save command would have, under the key "k".
void scriviLista(const QString& percorso, const QString& testo) {
  scrivi_file_lista(percorso, NmCrypt(NmCrypt::Costo{1, 8}).cripta(testo, QStringLiteral("k")));
}

}  // namespace

class TestComandiFile : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void andataERitorno_data();
  void andataERitorno();
  void annullaLaChiave();
  void chiaveRipetuta();
  void annullaIlDialogo();
  void chiaveSbagliata();
  void caricaIlFileDellaRigaDiComando();
  void fileDanneggiati_data();
  void fileDanneggiati();
  void secondaVoceTraVirgolette();
  void fileNoto();
  void salvataggioFallito_data();
  void salvataggioFallito();
  void salvataggioInterrottoLasciaIlVecchio();
  void testoCifratoSenzaFormaDiRiga();
  void permessiDelNuovoFile();
  void nnodiDopoIlCaricamento_data();
  void nnodiDopoIlCaricamento();
  void vociDaNodi_data();
  void vociDaNodi();
  void passwordSenzaBasicInfo();
  void valoreNonConvertibile();
  void cambiatoAltroveAlSalvataggio_data();
  void cambiatoAltroveAlSalvataggio();
  void cambiatoAltroveInAttesa();
  void modificheNonSalvate();
  void versioniPrecedenti();

 private:
  QString percorso(const QString& nome) const { return cartella_->filePath(nome); }
  std::unique_ptr<QTemporaryDir> cartella_;
};

void TestComandiFile::init() {
  cartella_ = std::make_unique<QTemporaryDir>();
  QVERIFY(cartella_->isValid());
}

void TestComandiFile::andataERitorno_data() {
  QTest::addColumn<QString>("chiave");
  QTest::addColumn<QString>("valore");
  QString strano = QStringLiteral("\"virgolette\", virgole;\r\nrighe\ttab (nota) ) (( àèìòù €");
  strano += QChar(0xD800);
  strano += QStringLiteral(" \U0001F511 ");
  strano += QChar(0xDFFF);
  QTest::newRow("chiave vuota") << QString() << QStringLiteral("semplice");
  QTest::newRow("chiave ascii") << QStringLiteral("segreta") << strano;
  QTest::newRow("chiave non ascii") << QStringLiteral("ключ città «🔑»") << strano;
  QTest::newRow("chiave con virgolette e a capo") << QStringLiteral("\"a\",\r\nb") << strano;
  QTest::newRow("valore vuoto") << QStringLiteral("k") << QString();
}

void TestComandiFile::andataERitorno() {
  QFETCH(QString, chiave);
  QFETCH(QString, valore);
  const QString file = percorso(QStringLiteral("lista.kvx"));

  BancoCifrato prima;
  aggiungiVoce(prima.scheda.elenco, valore + "1", valore, valore + QStringLiteral("pw"), valore);
  aggiungiVoce(prima.scheda.elenco, QStringLiteral("posta"), QStringLiteral("io"),
               QStringLiteral("x"), QString());
  prima.scheda.elenco.setExpanded(prima.scheda.elenco.Item(1), true);
  prima.scheda.elenco.setSelected(prima.scheda.elenco.Item(3), true);
  prima.salva(file, chiave);
  QCOMPARE(prima.banco.dialog.mostrati, QStringList{QStringLiteral("salva")});
  QCOMPARE(prima.banco.dialog.filtri,
           QStringList{QStringLiteral("Liste password criptate (*.kvx)")});
  QCOMPARE(prima.banco.richiesta.domande,
           (QStringList{QStringLiteral("Inserire una chiave segreta di criptazione: "),
                        QStringLiteral("Ripetere la chiave segreta di criptazione: ")}));
  QCOMPARE(prima.banco.richiesta.echi, (QList{Richiesta::Eco::Nascosta, Richiesta::Eco::Nascosta}));
  QCOMPARE(prima.banco.registro, registroSalva);
  QVERIFY(prima.banco.messaggi.avvisi.isEmpty());
  QVERIFY(prima.file.file_noto);

  // Nothing of the list or the key is readable in the file.
  const QByteArray byte = leggiByte(file);
  QVERIFY(byte.startsWith("\"CDX") && byte.endsWith("\"\r\n"));
  QCOMPARE(byte.count('\n'), 1);
  QVERIFY(!byte.contains("posta") && !byte.contains("TreeView"));

  BancoCifrato dopo;
  aggiungiVoce(dopo.scheda.elenco, QStringLiteral("da sostituire"), {}, {}, {});
  dopo.carica(file, chiave);
  QCOMPARE(dopo.banco.dialog.mostrati, QStringList{QStringLiteral("apri")});
  QCOMPARE(dopo.banco.dialog.filtri,
           QStringList{QStringLiteral("Liste password criptate (*.kvx);;Tutti i file (*)")});
  QCOMPARE(dopo.banco.richiesta.domande,
           QStringList{QStringLiteral(
               "Inserisci la chiave segreta di criptazione che hai usato per salvare:")});
  QCOMPARE(dopo.banco.richiesta.echi, QList{Richiesta::Eco::Nascosta});
  QCOMPARE(dopo.banco.registro, registroCarica);
  QVERIFY(dopo.banco.messaggi.avvisi.isEmpty());
  QCOMPARE(dopo.scheda.elenco.Count(), 8);
  QCOMPARE(dopo.scheda.elenco.Text(dopo.scheda.elenco.Item(2)),
           QStringLiteral("Username: ") + valore);
  QVERIFY(dopo.lista() == prima.lista());
  QCOMPARE(dopo.scheda.nnodi.valore(), qint64{2});
  QVERIFY(dopo.file.file_noto);
}

void TestComandiFile::annullaLaChiave() {
  const QString file = percorso(QStringLiteral("lista.kvx"));
  BancoCifrato b;
  aggiungiVoce(b.scheda.elenco, QStringLiteral("posta"), QStringLiteral("io"), QStringLiteral("x"),
               {});
  b.salva(file, QStringLiteral("k"));
  const QByteArray salvato = leggiByte(file);
  b.banco.registro.clear();

  // Save: nothing written, no status change, still tied to the file.
  aggiungiVoce(b.scheda.elenco, QStringLiteral("nuova"), {}, {}, {});
  b.salva(file, std::nullopt);
  QCOMPARE(leggiByte(file), salvato);
  QVERIFY(b.banco.registro.isEmpty());
  QVERIFY(b.banco.messaggi.avvisi.isEmpty());
  QVERIFY(b.file.file_noto);
  QCOMPARE(b.banco.dialog.mostrati.size(), 1);

  // Load: the tree and the counter untouched, no status change; the current file is now the
  // one chosen, which did not load, so a plain save must ask again.
  const QString lista = b.lista();
  b.scheda.nnodi.imposta(7);
  b.carica(file, std::nullopt);
  QVERIFY(b.lista() == lista);
  QCOMPARE(b.scheda.nnodi.valore(), qint64{7});
  QVERIFY(b.banco.registro.isEmpty());
  QVERIFY(b.banco.messaggi.avvisi.isEmpty());
  QVERIFY(!b.file.file_noto);
}

void TestComandiFile::chiaveRipetuta() {
  const QString file = percorso(QStringLiteral("lista.kvx"));
  const QString salva = QStringLiteral("Inserire una chiave segreta di criptazione: "),
                ripeti = QStringLiteral("Ripetere la chiave segreta di criptazione: ");
  BancoCifrato b;
  aggiungiVoce(b.scheda.elenco, QStringLiteral("posta"), {}, {}, {});
  auto& richiesta = b.banco.richiesta;

  // A slip of the finger is caught, and both keys are asked again.
  b.banco.dialog.risposte.push_back(file);
  richiesta.risposte = {QStringLiteral("chiave"), QStringLiteral("chaive"), QStringLiteral("k"),
                        QStringLiteral("k")};
  menu_salva(b.scheda, b.file, b.ambiente);
  QCOMPARE(richiesta.domande, (QStringList{salva, ripeti, salva, ripeti}));
  QCOMPARE(b.banco.messaggi.avvisi.size(), 1);
  QCOMPARE(b.banco.messaggi.avvisi[0].testo,
           QStringLiteral("Attenzione le due chiavi inserite non coincidono"));
  QCOMPARE(b.banco.messaggi.avvisi[0].icona, Messaggi::Icona::Critica);
  QCOMPARE(b.banco.registro, registroSalva);
  BancoCifrato lettore;
  lettore.carica(file, QStringLiteral("k"));
  QCOMPARE(lettore.scheda.elenco.Count(), 4);

  // Cancel at the second prompt, or at the first after a mismatch: nothing is saved.
  const QByteArray salvato = leggiByte(file);
  aggiungiVoce(b.scheda.elenco, QStringLiteral("nuova"), {}, {}, {});
  for (const auto& risposte : {std::deque<std::optional<QString>>{QStringLiteral("k"), {}},
                               {QStringLiteral("a"), QStringLiteral("b"), {}}}) {
    b.banco.registro.clear();
    richiesta.risposte = risposte;
    menu_salva(b.scheda, b.file, b.ambiente);
    QVERIFY(richiesta.risposte.empty());
    QCOMPARE(leggiByte(file), salvato);
    QVERIFY(b.banco.registro.isEmpty());
  }
  QCOMPARE(b.banco.messaggi.avvisi.size(), 2);
}

void TestComandiFile::annullaIlDialogo() {
  const QString file = percorso(QStringLiteral("lista.kvx"));
  BancoCifrato b;
  aggiungiVoce(b.scheda.elenco, QStringLiteral("posta"), {}, {}, {});
  b.salva(std::nullopt, QStringLiteral("k"));
  QVERIFY(b.banco.richiesta.domande.isEmpty());
  QVERIFY(b.banco.registro.isEmpty());
  QVERIFY(!QFile::exists(file));
  QVERIFY(!b.file.file_noto);

  b.salva(file, QStringLiteral("k"));
  QVERIFY(b.file.file_noto);
  b.banco.richiesta.risposte.clear();
  b.banco.registro.clear();
  b.banco.richiesta.domande.clear();
  b.carica(std::nullopt, QStringLiteral("k"));
  QVERIFY(b.banco.richiesta.domande.isEmpty());
  QVERIFY(b.banco.registro.isEmpty());
  QCOMPARE(b.scheda.elenco.Count(), 4);
  QVERIFY(b.file.file_noto);  // the dialog was cancelled: the current file did not change
}

void TestComandiFile::chiaveSbagliata() {
  const QString file = percorso(QStringLiteral("lista.kvx"));
  BancoCifrato a;
  aggiungiVoce(a.scheda.elenco, QStringLiteral("posta"), {}, {}, {});
  a.salva(file, QStringLiteral("giusta"));

  BancoCifrato b;
  for (int i = 0; i < 3; ++i) aggiungiVoce(b.scheda.elenco, QString::number(i), {}, {}, {});
  b.carica(file, QStringLiteral("sbagliata"));
  QCOMPARE(b.banco.messaggi.avvisi.size(), 1);
  QCOMPARE(b.banco.messaggi.avvisi[0].testo, testi_file::listaNonValida);
  QCOMPARE(b.scheda.elenco.Count(), 12);  // the list stays as it was
  QCOMPARE(b.scheda.nnodi.valore(), qint64{3});
  QVERIFY(!b.file.file_noto);
  QCOMPARE(b.banco.registro, registroCarica);
}

// A file opened from the file manager loads as one confirmed in the open dialog would, without
// the dialog; a later "Salva Lista" writes back to it, and "Carica Lista" starts from it.
void TestComandiFile::caricaIlFileDellaRigaDiComando() {
  const QString file = percorso(QStringLiteral("lista.kvx"));
  BancoCifrato a;
  aggiungiVoce(a.scheda.elenco, QStringLiteral("posta"), QStringLiteral("io"), {}, {});
  a.salva(file, QStringLiteral("k"));

  BancoCifrato b;
  b.banco.richiesta.risposte.push_back(QStringLiteral("k"));
  carica_file(b.scheda, b.file, b.ambiente, file);
  QVERIFY(b.banco.dialog.mostrati.isEmpty());
  QCOMPARE(b.banco.richiesta.domande, QStringList{testi_file::chiaveCarica});
  QCOMPARE(b.banco.registro, registroCarica);
  QCOMPARE(b.lista(), a.lista());
  QCOMPARE(b.scheda.nnodi.valore(), qint16{1});
  QCOMPARE(b.banco.dialog.FileName(), file);

  aggiungiVoce(b.scheda.elenco, QStringLiteral("banca"), {}, {}, {});
  b.salva(std::nullopt, QStringLiteral("k"));
  QVERIFY(b.banco.dialog.mostrati.isEmpty());
  BancoCifrato c;
  c.carica(file, QStringLiteral("k"));
  QCOMPARE(c.lista(), b.lista());

  // With the wrong key the file is still the current one, but not tied: the next save asks.
  BancoCifrato d;
  d.banco.richiesta.risposte.push_back(QStringLiteral("sbagliata"));
  carica_file(d.scheda, d.file, d.ambiente, file);
  QCOMPARE(d.banco.messaggi.avvisi.size(), 1);
  QCOMPARE(d.banco.dialog.FileName(), file);
  QVERIFY(!d.file.file_noto);
}

void TestComandiFile::fileDanneggiati_data() {
  QTest::addColumn<QString>("danno");
  QTest::newRow("un carattere cambiato") << QStringLiteral("cambiato");
  QTest::newRow("troncato") << QStringLiteral("troncato");
  QTest::newRow("vuoto") << QStringLiteral("vuoto");
  QTest::newRow("non nostro") << QStringLiteral("estraneo");
  QTest::newRow("lista in chiaro") << QStringLiteral("chiaro");
}

void TestComandiFile::fileDanneggiati() {
  QFETCH(QString, danno);
  const QString file = percorso(QStringLiteral("lista.kvx"));
  BancoCifrato a;
  aggiungiVoce(a.scheda.elenco, QStringLiteral("posta"), {}, {}, {});
  a.salva(file, QStringLiteral("k"));
  QByteArray byte = leggiByte(file);
  if (danno == u"cambiato")
    byte[byte.size() / 2] = byte[byte.size() / 2] == 'A' ? 'B' : 'A';
  else if (danno == u"troncato")
    byte.truncate(byte.size() - 10);
  else if (danno == u"vuoto")
    byte.clear();
  else if (danno == u"estraneo")
    byte = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
  else
    byte = "\"" + listaScritta(voceScritta("in chiaro", "io")).toLatin1() + "\"\r\n";
  QVERIFY(scriviByte(file, byte));

  BancoCifrato b;
  aggiungiVoce(b.scheda.elenco, QStringLiteral("resta"), {}, {}, {});
  b.carica(file, QStringLiteral("k"));
  QCOMPARE(b.banco.messaggi.avvisi.size(), 1);
  QCOMPARE(b.banco.messaggi.avvisi[0].testo, testi_file::listaNonValida);
  QCOMPARE(b.scheda.elenco.Count(), 4);
  QCOMPARE(b.scheda.elenco.Text(b.scheda.elenco.Item(1)), QStringLiteral("resta"));
  QVERIFY(!b.file.file_noto);
}

void TestComandiFile::secondaVoceTraVirgolette() {
  const QString file = percorso(QStringLiteral("lista.kvx"));
  BancoCifrato a;
  aggiungiVoce(a.scheda.elenco, QStringLiteral("posta"), {}, {}, {});
  a.salva(file, QStringLiteral("k"));
  const QByteArray buona = leggiByte(file).trimmed();

  // The last item counts: a good one followed by another is not read...
  QVERIFY(scriviByte(file, buona + "\r\n\"CDXaltro\"\r\n"));
  BancoCifrato b;
  b.carica(file, QStringLiteral("k"));
  QCOMPARE(b.banco.messaggi.avvisi.size(), 1);
  QCOMPARE(b.scheda.elenco.Count(), 0);

  // ...and one that comes after another is.
  QVERIFY(scriviByte(file, "\"CDXaltro\"," + buona + "\r\n"));
  b.banco.messaggi.avvisi.clear();
  b.carica(file, QStringLiteral("k"));
  QVERIFY(b.banco.messaggi.avvisi.isEmpty());
  QCOMPARE(b.scheda.elenco.Count(), 4);
}

void TestComandiFile::fileNoto() {
  const QString uno = percorso(QStringLiteral("uno.kvx")),
                due = percorso(QStringLiteral("due.kvx"));
  BancoCifrato b;
  auto& dialog = b.banco.dialog;
  aggiungiVoce(b.scheda.elenco, QStringLiteral("posta"), {}, {}, {});
  QVERIFY(!b.file.file_noto);

  // The first save asks for a file; the next ones write to it, asking only for a key, which may
  // differ each time.
  b.salva(uno, QStringLiteral("k1"));
  QVERIFY(b.file.file_noto);
  b.salva(std::nullopt, QStringLiteral("k2"));
  QCOMPARE(dialog.mostrati, QStringList{QStringLiteral("salva")});
  QCOMPARE(b.banco.richiesta.domande.size(), 4);
  QVERIFY(b.file.file_noto);
  BancoCifrato lettore;
  lettore.carica(uno, QStringLiteral("k2"));
  QCOMPARE(lettore.scheda.elenco.Count(), 4);

  // "Salva con nome" cancelled: not tied to any file, and the next save asks again.
  dialog.risposte.push_back(std::nullopt);
  menu_salva_nome(b.scheda, b.file, b.ambiente);
  QVERIFY(!b.file.file_noto);
  QCOMPARE(dialog.mostrati.size(), 2);
  b.salva(due, QStringLiteral("k"));
  QCOMPARE(dialog.mostrati.size(), 3);
  QVERIFY(b.file.file_noto);

  // "Salva con nome" confirmed: a new file, tied.
  dialog.risposte.push_back(uno);
  b.banco.richiesta.risposte.insert(b.banco.richiesta.risposte.end(), 2, QStringLiteral("k"));
  menu_salva_nome(b.scheda, b.file, b.ambiente);
  QCOMPARE(dialog.mostrati.size(), 4);
  QVERIFY(b.file.file_noto);

  // "Nuova Lista" empties the list and unties it.
  nuova_lista(b.scheda, b.file, b.ambiente);
  QCOMPARE(b.scheda.elenco.Count(), 0);
  QVERIFY(!b.file.file_noto);

  // A clean load ties the list to the loaded file: "Salva Lista" writes there unasked.
  BancoCifrato c;
  c.carica(due, QStringLiteral("k"));
  QVERIFY(c.file.file_noto);
  aggiungiVoce(c.scheda.elenco, QStringLiteral("aggiunta"), {}, {}, {});
  c.salva(std::nullopt, QStringLiteral("k"));
  QCOMPARE(c.banco.dialog.mostrati, QStringList{QStringLiteral("apri")});
  BancoCifrato d;
  d.carica(due, QStringLiteral("k"));
  QCOMPARE(d.scheda.elenco.Count(), 8);

  // A load that the parser rejected does not: the next save asks for a file.
  c.carica(due, QStringLiteral("sbagliata"));
  QVERIFY(!c.file.file_noto);
  c.salva(uno, QStringLiteral("k"));
  QCOMPARE(c.banco.dialog.mostrati.size(), 3);
  QCOMPARE(c.banco.dialog.mostrati.last(), QStringLiteral("salva"));
}

void TestComandiFile::salvataggioFallito_data() {
  QTest::addColumn<QString>("relativo");
  QTest::newRow("cartella inesistente") << QStringLiteral("manca/lista.kvx");
  QTest::newRow("cartella che e' un file") << QStringLiteral("file/lista.kvx");
}

void TestComandiFile::salvataggioFallito() {
  QFETCH(QString, relativo);
  QVERIFY(scriviByte(percorso(QStringLiteral("file")), "x"));
  const QString file = percorso(relativo);
  BancoCifrato b;
  aggiungiVoce(b.scheda.elenco, QStringLiteral("posta"), {}, {}, {});
  b.salva(file, QStringLiteral("k"));
  QCOMPARE(b.banco.messaggi.avvisi.size(), 1);
  const auto& avviso = b.banco.messaggi.avvisi[0];
  QCOMPARE(avviso.icona, Messaggi::Icona::Critica);
  QVERIFY(avviso.testo.contains(QStringLiteral("non è stata salvata")));
  QVERIFY(avviso.testo.contains(QDir::toNativeSeparators(file)));
  QVERIFY(!b.file.file_noto);
  QCOMPARE(leggiByte(percorso(QStringLiteral("file"))), QByteArray("x"));
}

void TestComandiFile::testoCifratoSenzaFormaDiRiga() {
  // A cipher whose text holds line breaks (this scripted one turns the list text around) cannot
  // be written as the file's one line: found while the blocks go out, the save fails and the old
  // file stays as it was.
  const QString file = percorso(QStringLiteral("lista.kvx"));
  QVERIFY(scriviByte(file, "\"vecchio\"\r\n"));
  copione::Banco banco;
  aggiungiVoce(banco.scheda.elenco, QStringLiteral("posta"), {}, {}, {});
  banco.dialog.risposte.push_back(file);
  banco.richiesta.risposte = {QStringLiteral("k"), QStringLiteral("k")};
  menu_salva(banco.scheda, banco.file, banco.ambiente);
  QCOMPARE(banco.messaggi.avvisi.size(), 1);
  QCOMPARE(banco.messaggi.avvisi[0].icona, Messaggi::Icona::Critica);
  QVERIFY(banco.messaggi.avvisi[0].testo.contains(QStringLiteral("non ha forma di riga")));
  QVERIFY(!banco.file.file_noto);
  QCOMPARE(leggiByte(file), QByteArray("\"vecchio\"\r\n"));
}

void TestComandiFile::salvataggioInterrottoLasciaIlVecchio() {
  const QString file = percorso(QStringLiteral("lista.kvx"));
  BancoCifrato b;
  aggiungiVoce(b.scheda.elenco, QStringLiteral("posta"), {}, {}, {});
  b.salva(file, QStringLiteral("k"));
  const QByteArray vecchio = leggiByte(file);

  QRandomGenerator caso(7);
  for (int i = 0; i < 200; ++i)
    aggiungiVoce(b.scheda.elenco, QString::number(caso.generate64()),
                 QString::number(caso.generate64()), QString::number(caso.generate64()), {});
  {
    const LimiteFile limite(static_cast<rlim_t>(vecchio.size()) + 100);
    b.salva(std::nullopt, QStringLiteral("k"));
  }
  QCOMPARE(b.banco.messaggi.avvisi.size(), 1);
  QCOMPARE(b.banco.messaggi.avvisi[0].icona, Messaggi::Icona::Critica);
  QVERIFY(b.banco.messaggi.avvisi[0].testo.contains(QDir::toNativeSeparators(file)));
  QCOMPARE(leggiByte(file), vecchio);
  QCOMPARE(QDir(cartella_->path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
           QStringList{QStringLiteral("lista.kvx")});
}

void TestComandiFile::permessiDelNuovoFile() {
  const mode_t maschera = ::umask(0);
  const QString file = percorso(QStringLiteral("lista.kvx"));
  BancoCifrato b;
  b.salva(file, QStringLiteral("k"));
  ::umask(maschera);
  QCOMPARE(permessi(file), mode_t{0600});
}

void TestComandiFile::nnodiDopoIlCaricamento_data() {
  QTest::addColumn<int>("nodi");
  QTest::addColumn<int>("nnodi");
  QTest::newRow("0") << 0 << 0;
  QTest::newRow("6") << 6 << 2;
  QTest::newRow("10") << 10 << 2;
  QTest::newRow("14") << 14 << 4;
  QTest::newRow("17") << 17 << 4;
}

void TestComandiFile::nnodiDopoIlCaricamento() {
  QFETCH(int, nodi);
  QFETCH(int, nnodi);
  const QString file = percorso(QStringLiteral("lista.kvx"));
  BancoCifrato a;
  for (int i = 0; i < nodi; ++i) a.scheda.elenco.Add(nullptr, {}, {}, QString::number(i));
  a.salva(file, QStringLiteral("k"));

  BancoCifrato b;
  b.scheda.nnodi.imposta(99);
  b.carica(file, QStringLiteral("k"));
  QCOMPARE(b.scheda.elenco.Count(), nodi);
  QCOMPARE(int(b.scheda.nnodi.valore()), nnodi);
}

void TestComandiFile::vociDaNodi_data() {
  QTest::addColumn<qint64>("nodi");
  QTest::addColumn<qint64>("voci");
  QTest::newRow("0") << qint64{0} << qint64{0};
  QTest::newRow("1") << qint64{1} << qint64{0};
  QTest::newRow("2: mezzo verso lo zero") << qint64{2} << qint64{0};
  QTest::newRow("3") << qint64{3} << qint64{1};
  QTest::newRow("6: mezzo verso il due") << qint64{6} << qint64{2};
  QTest::newRow("10: mezzo verso il due") << qint64{10} << qint64{2};
  QTest::newRow("11") << qint64{11} << qint64{3};
  QTest::newRow("oltre i 16 bit") << qint64{4 * 32768} << qint64{32768};
  QTest::newRow("oltre i 32 bit") << (qint64{1} << 40) << (qint64{1} << 38);
}

void TestComandiFile::vociDaNodi() {
  QFETCH(qint64, nodi);
  QFETCH(qint64, voci);
  QCOMPARE(voci_da_nodi(nodi), voci);
}

void TestComandiFile::passwordSenzaBasicInfo() {
  const QString file = percorso(QStringLiteral("lista.kvx"));
  scriviLista(file,
              listaScritta(voceScritta("prima", "uno") + voceScritta("seconda", "due", true)));
  BancoCifrato b;
  b.carica(file, QStringLiteral("k"));
  QCOMPARE(b.scheda.elenco.Count(), 6);
  QCOMPARE(b.scheda.elenco.Text(b.scheda.elenco.Item(6)), QStringLiteral("Username: due"));
  QCOMPARE(b.banco.messaggi.avvisi.size(), 1);
  QCOMPARE(b.banco.messaggi.avvisi[0].testo, testi_file::listaCorrotta);
  QCOMPARE(b.scheda.nnodi.valore(), qint64{2});
  QVERIFY(!b.file.file_noto);
  QCOMPARE(b.banco.registro, registroCarica);
}

void TestComandiFile::valoreNonConvertibile() {
  const QString file = percorso(QStringLiteral("lista.kvx"));
  QString testo = listaScritta(voceScritta("prima", "uno") + voceScritta("seconda", "due"));
  const qsizetype ultimo = testo.lastIndexOf(QStringLiteral("Expanded(False)"));
  testo.replace(ultimo, 15, QStringLiteral("Expanded()"));
  scriviLista(file, testo);

  BancoCifrato b;
  b.scheda.nnodi.imposta(5);
  b.carica(file, QStringLiteral("k"));
  // Ended by the trap: no message, the counter and the status as the error found them.
  QVERIFY(b.banco.messaggi.avvisi.isEmpty());
  QCOMPARE(b.scheda.nnodi.valore(), qint64{5});
  QVERIFY(!b.file.file_noto);
  QCOMPARE(b.banco.modulo.stato, QStringLiteral("Stato: caricamento...."));
}

void TestComandiFile::cambiatoAltroveAlSalvataggio_data() {
  QTest::addColumn<QString>("altrove");  // what another program does to the file
  QTest::addColumn<int>("scelta");       // Salva con nome, Sovrascrivi, Annulla
  for (const char* altrove : {"salva", "sostituisce", "cancella"})
    for (int scelta : {0, 1, 2}) QTest::addRow("%s, %d", altrove, scelta) << altrove << scelta;
}

void TestComandiFile::cambiatoAltroveAlSalvataggio() {
  // Two windows on one file: each loads it, the first saves an entry of its own, then the second.
  QFETCH(QString, altrove);
  QFETCH(int, scelta);
  const QString file = percorso(QStringLiteral("lista.kvx"));
  const QString altro = percorso(QStringLiteral("altro.kvx"));
  BancoCifrato a, b;
  aggiungiVoce(a.scheda.elenco, QStringLiteral("comune"), {}, {}, {});
  a.salva(file);
  b.carica(file);
  if (altrove == "salva") {
    aggiungiVoce(a.scheda.elenco, QStringLiteral("di a"), {}, {}, {});
    a.salva(std::nullopt);
  } else if (altrove == "sostituisce") {
    // Another file put in its place, of the same size and time but other content.
    QByteArray byte = leggiByte(file);
    const QDateTime ora = QFileInfo(file).lastModified();
    byte[byte.size() - 8] = byte[byte.size() - 8] == 'A' ? 'B' : 'A';
    QVERIFY(scriviByte(altro, byte));
    QVERIFY(::rename(qPrintable(altro), qPrintable(file)) == 0);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(ora, QFileDevice::FileModificationTime));
  } else {
    QVERIFY(QFile::remove(file));
  }
  const QByteArray suDisco = leggiByte(file);
  aggiungiVoce(b.scheda.elenco, QStringLiteral("di b"), {}, {}, {});
  b.banco.messaggi.scelte = {scelta};
  b.banco.dialog.risposte.push_back(altro);
  b.salva(std::nullopt);

  // Asked before anything was written; then each choice does what it says.
  QCOMPARE(b.banco.messaggi.domande.size(), 1);
  QVERIFY(b.banco.messaggi.domande[0].contains(QDir::toNativeSeparators(file)));
  QCOMPARE(b.banco.modulo.stato, testi::statoCompletato);
  if (scelta == 2) {
    QCOMPARE(leggiByte(file), suDisco);
    QVERIFY(modificata(b.scheda.elenco, b.file));
    return;
  }
  BancoCifrato c;
  c.carica(scelta == 0 ? altro : file);
  QCOMPARE(c.lista(), b.lista());
  QVERIFY(!modificata(b.scheda.elenco, b.file));
  if (scelta == 0) QCOMPARE(leggiByte(file), suDisco);
  // Overwritten, the other version stays as the first previous one.
  if (scelta == 1 && altrove != "cancella") QCOMPARE(leggiByte(nome_versione(file, 1)), suDisco);
}

void TestComandiFile::cambiatoAltroveInAttesa() {
  const QString file = percorso(QStringLiteral("lista.kvx"));
  BancoCifrato a, b;
  aggiungiVoce(a.scheda.elenco, QStringLiteral("uno"), {}, {}, {});
  a.salva(file);
  b.carica(file);
  controlla_file(b.scheda, b.file, b.ambiente);
  QVERIFY(b.banco.messaggi.domande.isEmpty());

  // Without changes of its own, the window offers the other version, once.
  aggiungiVoce(a.scheda.elenco, QStringLiteral("due"), {}, {}, {});
  a.salva(std::nullopt);
  b.banco.messaggi.risposte = {false};
  controlla_file(b.scheda, b.file, b.ambiente);
  controlla_file(b.scheda, b.file, b.ambiente);
  QCOMPARE(b.banco.messaggi.domande.size(), 1);
  QCOMPARE(b.scheda.elenco.Count(), 4);
  // Declined, the next save still asks; accepted, the load asks the key as "Carica Lista" does.
  b.banco.messaggi.scelte = {2};
  b.salva(std::nullopt);
  QCOMPARE(b.banco.messaggi.domande.size(), 2);
  b.file.cambio_segnalato = false;
  b.banco.richiesta.risposte = {QStringLiteral("k")};
  controlla_file(b.scheda, b.file, b.ambiente);
  QCOMPARE(b.scheda.elenco.Count(), 8);

  // With changes of its own, it only says so.
  aggiungiVoce(a.scheda.elenco, QStringLiteral("tre"), {}, {}, {});
  a.salva(std::nullopt);
  aggiungiVoce(b.scheda.elenco, QStringLiteral("di b"), {}, {}, {});
  const QString prima = b.lista();
  controlla_file(b.scheda, b.file, b.ambiente);
  QCOMPARE(b.banco.messaggi.avvisi.size(), 1);
  QCOMPARE(b.lista(), prima);
}

void TestComandiFile::modificheNonSalvate() {
  const QString file = percorso(QStringLiteral("lista.kvx"));
  BancoCifrato b;
  aggiungiVoce(b.scheda.elenco, QStringLiteral("uno"), {}, {}, {});
  b.salva(file);
  QVERIFY(!modificata(b.scheda.elenco, b.file));
  aggiungiVoce(b.scheda.elenco, QStringLiteral("due"), {}, {}, {});
  QVERIFY(modificata(b.scheda.elenco, b.file));

  // "Nuova Lista" and "Carica Lista" ask first; No changes nothing.
  b.banco.messaggi.risposte = {false, false};
  nuova_lista(b.scheda, b.file, b.ambiente);
  menu_carica(b.scheda, b.file, b.ambiente);
  QCOMPARE(b.banco.messaggi.domande, QStringList(2, testi_file::modificheDaScartare));
  QCOMPARE(b.scheda.elenco.Count(), 8);
  QCOMPARE(b.banco.dialog.mostrati.size(), 1);  // the first save's only

  // A failed reload (a wrong key) leaves the list marked changed.
  b.banco.messaggi.risposte = {true};
  b.carica(file, QStringLiteral("sbagliata"));
  QCOMPARE(b.scheda.elenco.Count(), 8);
  QVERIFY(modificata(b.scheda.elenco, b.file));
}

void TestComandiFile::versioniPrecedenti() {
  const QString file = percorso(QStringLiteral("lista.kvx"));
  BancoCifrato b;
  for (int i = 1; i <= 5; ++i) {
    aggiungiVoce(b.scheda.elenco, QString::number(i), {}, {}, {});
    b.salva(i == 1 ? std::optional<QString>(file) : std::nullopt, QStringLiteral("k%1").arg(i));
  }
  // The last three replaced, newest first, each under its own key, readable by its owner only.
  for (int n = 1; n <= versioniConservate; ++n) {
    BancoCifrato c;
    c.carica(nome_versione(file, n), QStringLiteral("k%1").arg(5 - n));
    QCOMPARE(c.scheda.elenco.Count(), 4 * (5 - n));
    QCOMPARE(permessi(nome_versione(file, n)), mode_t{0600});
  }
  QVERIFY(!QFile::exists(nome_versione(file, 4)));
  // The print noted at the save, hashed as written, is the file's.
  QCOMPARE(impronta_file(file)->hash, b.file.impronta->hash);

  // A version that cannot be kept fails the save, the old file whole.
  const QByteArray prima = leggiByte(file);
  QVERIFY(QDir().mkpath(percorso(QStringLiteral(".lista.kvx.precedente/pieno"))));
  b.salva(std::nullopt);
  QCOMPARE(b.banco.messaggi.avvisi.size(), 1);
  QCOMPARE(leggiByte(file), prima);
}

QTEST_MAIN(TestComandiFile)
#include "test_comandi_file.moc"
