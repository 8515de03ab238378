#include <QTest>
#include <new>

#include "list/comandi_appunti.h"
#include "supporto/copione.h"

using namespace custodex;

namespace {

// An entry, and a top-level line that looks like a password line.
const QStringList voci = {"Posta", "Username: mario", "Password: s3(e)", "Due\nrighe",
                          "Password: x"};

struct Banco : copione::Banco {
  explicit Banco(int selezionato = 0) {
    copione::aggiungiVoce(scheda.elenco, "Posta", "mario", "s3(e)", "Due\nrighe");
    scheda.elenco.Add(nullptr, {}, {}, voci[4]);
    if (selezionato) scheda.elenco.setSelectedItem(scheda.elenco.Item(selezionato));
  }
  QStringList testi() const { return copione::testiNodi(scheda.elenco); }
};

struct AppuntiSenzaMemoria : copione::AppuntiCopione {
  QString testo() override { throw std::bad_alloc(); }
  void scriviSegreto(const QString&) override { throw std::bad_alloc(); }
};

}  // namespace

class TestComandiAppunti : public QObject {
  Q_OBJECT

 private slots:
  void incollaECopiaSuOgniNodo() {
    const QStringList valori = {"Posta", "mario", "s3(e)", "Due\nrighe", "x"};
    for (int nodo = 1; nodo <= 5; ++nodo) {
      for (const QString& appunti : {QStringLiteral(" a\r\nb\n"), QString()}) {
        Banco b(nodo);
        b.appunti.contenuto = appunti;
        incolla(b.scheda, b.ambiente);  // the whole text, prefix and all, becomes the clipboard's
        QStringList attesi = voci;
        attesi[nodo - 1] = appunti;
        QCOMPARE(b.testi(), attesi);
        QVERIFY(b.registro.isEmpty() && b.messaggi.avvisi.isEmpty() && !b.appunti.scritture);
      }
      Banco b(nodo);
      copia(b.scheda, b.ambiente);  // the value, marked as a secret; the node stays
      QCOMPARE(b.appunti.contenuto, valori[nodo - 1]);
      QVERIFY(b.appunti.segreto);
      QCOMPARE(b.testi(), voci);
    }
  }

  void senzaSelezioneOAppuntiNienteCambia() {
    Banco b;
    b.appunti.contenuto = QStringLiteral("nuovo");
    incolla(b.scheda, b.ambiente);
    copia(b.scheda, b.ambiente);
    QCOMPARE(b.appunti.letture, 1);  // read even with nothing selected
    QCOMPARE(b.appunti.scritture, 0);
    b.scheda.elenco.setSelectedItem(b.scheda.elenco.Item(3));
    b.appunti.illeggibile = true;
    incolla(b.scheda, b.ambiente);
    AppuntiSenzaMemoria pieni;
    Ambiente senzaMemoria{{b.messaggi, b.richiesta, b.dialog, pieni, b.eventi, b.cifrario,
                           b.modifica, b.generatore, b.scambio},
                          b.modulo};
    incolla(b.scheda, senzaMemoria);
    copia(b.scheda, senzaMemoria);
    QCOMPARE(b.testi(), voci);
  }
};

QTEST_GUILESS_MAIN(TestComandiAppunti)
#include "test_comandi_appunti.moc"
