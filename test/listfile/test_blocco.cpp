#include <QtTest>

#include "comune/testi.h"
#include "listfile/comandi_blocco.h"
#include "listfile/comandi_file.h"
#include "listfile/salva_carica.h"
#include "supporto/banco_cifrato.h"
#include "supporto/copione.h"
#include "supporto/file_prova.h"

using namespace custodex;
using copione::aggiungiVoce;
using copione::Banco;
using Campo = Modulo::Campo;

class TestBlocco : public QObject {
  Q_OBJECT

 private slots:
  // Saved, then changed: the lock keeps the change unsaved, and the unlock gives back the tree
  // with its selection and expansion, the counter and the form.
  void bloccaESbloccaTengonoTutto() {
    QTemporaryDir cartella;
    copione::BancoCifrato bc;
    Banco& b = bc.banco;
    aggiungiVoce(b.scheda.elenco, "posta", "io", "segreta1", "");
    b.scheda.nnodi.imposta(1);
    bc.salva(cartella.filePath("l.kvx"));
    QVERIFY(b.file.chiave);
    aggiungiVoce(b.scheda.elenco, "banca", "tu", "segreta2", "note");
    b.scheda.nnodi.imposta(2);
    b.scheda.elenco.setExpanded(b.scheda.elenco.Item(4), true);
    b.scheda.elenco.setSelected(b.scheda.elenco.Item(6), true);
    b.modulo.scrivi(Campo::Password, QStringLiteral("inCorso"));
    const QString prima = salva_albero(b.scheda.elenco);
    b.appunti.scriviSegreto(QStringLiteral("segreta1"));

    QVERIFY(blocca_lista(b.scheda, b.file, b.ambiente));
    QCOMPARE(b.richiesta.domande.size(), 2);  // only the save's key
    QCOMPARE(b.scheda.elenco.Count(), 0);
    QCOMPARE(b.scheda.nnodi.valore(), 0);
    QVERIFY(b.modulo.testo(Campo::Password).isEmpty());
    QVERIFY(b.appunti.contenuto.isEmpty());
    QCOMPARE(b.modulo.stato, testi::statoBloccata);
    QVERIFY(!b.file.sigillo->contains("segreta"));
    QVERIFY(modificata(b.scheda.elenco, b.file));

    b.richiesta.risposte = {QStringLiteral("sbagliata")};
    QVERIFY(!sblocca_lista(b.scheda, b.file, b.ambiente));
    QCOMPARE(b.messaggi.avvisi.last().testo, testi_blocco::chiaveErrata);
    QCOMPARE(b.scheda.elenco.Count(), 0);
    QCOMPARE(b.richiesta.echi.last(), Richiesta::Eco::Nascosta);

    b.richiesta.risposte = {QStringLiteral("k")};
    QVERIFY(sblocca_lista(b.scheda, b.file, b.ambiente));
    QCOMPARE(salva_albero(b.scheda.elenco), prima);
    QCOMPARE(b.scheda.nnodi.valore(), 2);
    QCOMPARE(b.modulo.testo(Campo::Password), QStringLiteral("inCorso"));
    QCOMPARE(b.modulo.stato, testi::statoCompletato);
    QVERIFY(modificata(b.scheda.elenco, b.file));

    // Locked again under the same key, with a new seal: and now with nothing unsaved.
    b.file.versione = b.scheda.elenco.versione();
    QVERIFY(blocca_lista(b.scheda, b.file, b.ambiente));
    b.richiesta.risposte = {QStringLiteral("k")};
    QVERIFY(sblocca_lista(b.scheda, b.file, b.ambiente));
    QVERIFY(!modificata(b.scheda.elenco, b.file));
  }

  // Never saved: the command asks a new key twice; the lock nobody asked for leaves it be.
  void senzaChiave() {
    Banco b;
    aggiungiVoce(b.scheda.elenco, "posta", "io", "segreta1", "");
    QVERIFY(!blocca_se_possibile(b.scheda, b.file, b.ambiente));
    QCOMPARE(b.scheda.elenco.Count(), 4);
    QVERIFY(b.richiesta.domande.isEmpty());

    b.richiesta.risposte = {std::nullopt};
    QVERIFY(!blocca_lista(b.scheda, b.file, b.ambiente));
    QCOMPARE(b.scheda.elenco.Count(), 4);

    b.richiesta.risposte = {QStringLiteral("n"), QStringLiteral("n")};
    QVERIFY(blocca_lista(b.scheda, b.file, b.ambiente));
    QCOMPARE(b.scheda.elenco.Count(), 0);
    b.richiesta.risposte = {QStringLiteral("n")};
    QVERIFY(sblocca_lista(b.scheda, b.file, b.ambiente));
    QCOMPARE(b.scheda.elenco.Count(), 4);
  }
};

QTEST_MAIN(TestBlocco)
#include "test_blocco.moc"
