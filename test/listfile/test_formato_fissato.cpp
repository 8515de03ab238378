#include <QtTest>

#include "listfile/comandi_file.h"
#include "listfile/liste_fissate.h"
#include "listfile/nmcrypt.h"
#include "listfile/salva_carica.h"
#include "supporto/copione.h"

using namespace custodex;

// Files saved once by the program must load in every later version: these were written by an
// earlier one, at the cipher's real cost, and are never rewritten.
class TestFormatoFissato : public QObject {
  Q_OBJECT

 private slots:
  void fileDiVersioniPrecedenti_data();
  void fileDiVersioniPrecedenti();
};

void TestFormatoFissato::fileDiVersioniPrecedenti_data() {
  QTest::addColumn<int>("quale");
  for (int i = 0; i < int(std::size(fissate::liste)); ++i)
    QTest::newRow(qPrintable(fissate::liste[i].file)) << i;
}

void TestFormatoFissato::fileDiVersioniPrecedenti() {
  QFETCH(int, quale);
  const fissate::Lista& lista = fissate::liste[quale];
  const QString file = QFINDTESTDATA(QStringLiteral("dati/") + lista.file);
  QVERIFY(!file.isEmpty());

  NmCrypt cifrario;
  copione::Banco banco(cifrario);
  copione::aggiungiVoce(banco.scheda.elenco, QStringLiteral("da sostituire"), {}, {}, {});
  banco.dialog.risposte.push_back(file);
  banco.richiesta.risposte.push_back(lista.chiave);
  menu_carica(banco.scheda, banco.file, banco.ambiente);

  Albero atteso;
  lista.costruisci(atteso);
  QVERIFY(banco.messaggi.avvisi.isEmpty());
  QCOMPARE(copione::testiNodi(banco.scheda.elenco), copione::testiNodi(atteso));
  // Every field of every node, through the writer's exact form.
  QCOMPARE(salva_albero(banco.scheda.elenco), salva_albero(atteso));
  QCOMPARE(banco.scheda.nnodi.valore(), voci_da_nodi(atteso.Count()));
  QVERIFY(banco.file.file_noto);
}

QTEST_MAIN(TestFormatoFissato)
#include "test_formato_fissato.moc"
