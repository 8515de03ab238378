#include <QTest>
#include <new>

#include "list/comandi_appunti.h"
#include "supporto/copione.h"

using namespace custodex;
using copione::aggiungiVoce;
using copione::Banco;
using copione::testiNodi;

namespace {

const QStringList voci = {"Posta", "Username: mario", "Password: s3gr(e)to", "Una nota\nlunga",
                          "Banca", "Username: ",      "Password: ",          "Nessuna Descrizione"};

void dueVoci(Albero& a) {
  aggiungiVoce(a, "Posta", "mario", "s3gr(e)to", "Una nota\nlunga");
  aggiungiVoce(a, "Banca", {}, {}, {});
}

// A clipboard that runs out of memory on every use.
class AppuntiSenzaMemoria : public copione::AppuntiCopione {
 public:
  QString testo() override { throw std::bad_alloc(); }
  void scriviSegreto(const QString&) override { throw std::bad_alloc(); }
};

}  // namespace

class TestComandiAppunti : public QObject {
  Q_OBJECT

 private slots:
  void incollaSuOgniNodo_data() {
    QTest::addColumn<int>("nodo");
    QTest::addColumn<QString>("appunti");
    const std::pair<const char*, int> nodi[] = {
        {"voce", 1}, {"nome utente", 2}, {"password", 3}, {"descrizione", 4}};
    for (auto [nome, nodo] : nodi) {
      QTest::addRow("%s, una parola", nome) << nodo << QStringLiteral("nuovo");
      QTest::addRow("%s, più righe", nome) << nodo << QStringLiteral(" a\r\nb\n\tc ");
      QTest::addRow("%s, appunti vuoti", nome) << nodo << QString();
    }
  }
  void incollaSuOgniNodo() {
    QFETCH(int, nodo);
    QFETCH(QString, appunti);
    Banco b;
    Albero& a = b.scheda.elenco;
    dueVoci(a);
    a.setExpanded(a.Item(1), true);
    a.setSelectedItem(a.Item(nodo));
    b.scheda.nnodi.imposta(2);
    b.appunti.contenuto = appunti;

    incolla(b.scheda, b.ambiente);
    // The whole text, prefix and all, becomes the clipboard's text as it is.
    QStringList attesi = voci;
    attesi[nodo - 1] = appunti;
    QCOMPARE(testiNodi(a), attesi);
    QCOMPARE(a.SelectedItem(), a.Item(nodo));
    QVERIFY(a.Expanded(a.Item(1)));
    QCOMPARE(b.scheda.nnodi.valore(), qint16(2));
    QVERIFY(b.registro.isEmpty());  // no status text
    QVERIFY(b.messaggi.avvisi.isEmpty());
    QCOMPARE(b.appunti.scritture, 0);
    QCOMPARE(b.appunti.contenuto, appunti);
  }

  void incollaSenzaEffetto() {
    Banco b;
    Albero& a = b.scheda.elenco;
    dueVoci(a);
    b.appunti.contenuto = QStringLiteral("nuovo");
    // Nothing selected: the clipboard is read all the same, and nothing changes.
    incolla(b.scheda, b.ambiente);
    QCOMPARE(b.appunti.letture, 1);
    QCOMPARE(testiNodi(a), voci);

    // A clipboard that cannot be read leaves the node as it was.
    a.setSelectedItem(a.Item(3));
    b.appunti.illeggibile = true;
    incolla(b.scheda, b.ambiente);
    QCOMPARE(testiNodi(a), voci);
    QVERIFY(b.registro.isEmpty());
    QVERIFY(b.messaggi.avvisi.isEmpty());
  }

  void copiaIlValore_data() {
    QTest::addColumn<int>("nodo");
    QTest::addColumn<QString>("valore");
    QTest::newRow("voce") << 1 << QStringLiteral("Posta");
    QTest::newRow("nome utente") << 2 << QStringLiteral("mario");
    QTest::newRow("password") << 3 << QStringLiteral("s3gr(e)to");
    QTest::newRow("descrizione") << 4 << QStringLiteral("Una nota\nlunga");
    QTest::newRow("password vuota") << 7 << QString();
  }
  void copiaIlValore() {
    QFETCH(int, nodo);
    QFETCH(QString, valore);
    Banco b;
    Albero& a = b.scheda.elenco;
    dueVoci(a);
    a.setSelectedItem(a.Item(nodo));
    b.appunti.contenuto = QStringLiteral("di prima");

    copia(b.scheda, b.ambiente);
    QCOMPARE(b.appunti.contenuto, valore);
    QVERIFY(b.appunti.segreto);
    QCOMPARE(b.appunti.scritture, 1);
    // The tree stays as it was: copying never overwrites the node.
    QCOMPARE(testiNodi(a), voci);
    QCOMPARE(a.SelectedItem(), a.Item(nodo));
    QVERIFY(b.registro.isEmpty());
    QVERIFY(b.messaggi.avvisi.isEmpty());
  }

  void copiaSenzaEffetto() {
    Banco b;
    Albero& a = b.scheda.elenco;
    dueVoci(a);
    b.appunti.contenuto = QStringLiteral("di prima");
    copia(b.scheda, b.ambiente);
    QCOMPARE(b.appunti.scritture, 0);
    QCOMPARE(b.appunti.contenuto, QStringLiteral("di prima"));

    // Only the exact prefix is a detail line's: a line pasted over copies whole.
    a.setText(a.Item(3), QStringLiteral("password: x"));
    a.setSelectedItem(a.Item(3));
    copia(b.scheda, b.ambiente);
    QCOMPARE(b.appunti.contenuto, QStringLiteral("password: x"));
  }

  void senzaMemoriaNonCambiaNulla() {
    Banco b;
    AppuntiSenzaMemoria appunti;
    Ambiente ambiente{b.messaggi, b.richiesta, b.dialog, appunti, b.eventi, b.cifrario, b.modulo};
    Albero& a = b.scheda.elenco;
    dueVoci(a);
    a.setSelectedItem(a.Item(3));
    incolla(b.scheda, ambiente);
    copia(b.scheda, ambiente);
    QCOMPARE(testiNodi(a), voci);
  }
};

QTEST_GUILESS_MAIN(TestComandiAppunti)
#include "test_comandi_appunti.moc"
