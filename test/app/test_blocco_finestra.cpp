#include <QLineEdit>
#include <QtTest>

#include "listfile/comandi_blocco.h"
#include "listfile/salva_carica.h"
#include "supporto/file_prova.h"
#include "supporto/finestra_copione.h"

using namespace custodex;

namespace {

// A window whose list is saved under "k", then changed.
struct Salvata : copione::FinestraCopione {
  QTemporaryDir cartella;
  explicit Salvata(bool salva = true) {
    copione::aggiungiVoce(p.scheda().elenco, "posta", "io", "segreta1", "");
    if (salva) {
      dialog.risposte.push_back(cartella.filePath("l.kvx"));
      richiesta.risposte = {QStringLiteral("k"), QStringLiteral("k")};
      scegli("menu_salva");
    }
    copione::aggiungiVoce(p.scheda().elenco, "banca", "tu", "segreta2", "");
  }
  void passanoMinuti() {
    orologio.adesso += Principale::inattivitaMassima;
    p.controllaInattivita();
  }
  bool bloccata() { return p.scheda().elenco.Count() == 0 && custodex::bloccata(p.statoFile()); }
};

}  // namespace

class TestBloccoFinestra : public QObject {
  Q_OBJECT

 private slots:
  // The idle lock closes the key prompt of a save: the save ends as on Cancel, writing nothing,
  // and the list locks with its change unsaved; a wrong key leaves it locked, the right one gives
  // back the tree with its selection and expansion, the form and the unsaved state.
  void promptNonTrattieneIlBlocco() {
    Salvata f;
    Albero& elenco = f.p.scheda().elenco;
    elenco.setExpanded(elenco.Item(4), true);
    elenco.setSelected(elenco.Item(6), true);
    const QString prima = salva_albero(elenco);
    auto* box = f.p.findChild<QLineEdit*>("txt_password");
    box->setText(QStringLiteral("inCorso"));
    f.appunti.scriviSegreto(QStringLiteral("segreta1"));
    const QByteArray salvato = copione::leggiByte(f.cartella.filePath("l.kvx"));
    f.richiesta.durante = [&] { f.passanoMinuti(); };
    f.richiesta.risposte = {QStringLiteral("k"), QStringLiteral("k")};
    f.scegli("menu_salva");
    QVERIFY(f.bloccata() && !promptChiusi());
    QCOMPARE(copione::leggiByte(f.cartella.filePath("l.kvx")), salvato);
    QVERIFY(box->text().isEmpty() && !box->isUndoAvailable() && f.appunti.contenuto.isEmpty());
    QVERIFY(!f.p.findChild<QAction*>("menu_salva")->isEnabled());

    f.richiesta.risposte = {QStringLiteral("sbagliata")};
    f.scegli("menu_sblocca");
    QVERIFY(f.bloccata());
    QCOMPARE(f.richiesta.echi.last(), Richiesta::Eco::Nascosta);
    f.richiesta.risposte = {QStringLiteral("k")};
    f.scegli("menu_sblocca");
    QCOMPARE(salva_albero(elenco), prima);
    QCOMPARE(box->text(), QStringLiteral("inCorso"));
    QVERIFY(modificata(f.p.scheda().elenco, f.p.statoFile()));
  }

  // A question of "Nuova Lista" is answered No by the lock: the list is kept, locked.
  void domandaNonTrattieneIlBlocco() {
    Salvata f;
    f.messaggi.duranteDomanda = [&] { f.passanoMinuti(); };
    f.scegli("menu_nuova");
    QVERIFY(f.bloccata());
    f.richiesta.risposte = {QStringLiteral("k")};
    f.scegli("menu_sblocca");
    QCOMPARE(f.p.scheda().elenco.Count(), 8);
  }

  // Never saved: the idle lock passes it by; the command asks for a new key.
  void senzaChiave() {
    Salvata f(false);
    f.passanoMinuti();
    QVERIFY(!f.bloccata());
    f.richiesta.risposte = {QStringLiteral("n"), QStringLiteral("n")};
    f.scegli("menu_blocca");
    QVERIFY(f.bloccata());
    QCOMPARE(f.richiesta.domande.size(), 2);
  }

  // Hidden, the list is not locked by that alone; the idle time goes on counting.
  void nascostaContaAncora() {
    Salvata f;
    f.p.avvia();
    f.scegli("menu_riduci");
    f.tray.clic();
    QVERIFY(f.p.isVisible());
    QVERIFY(!f.bloccata());
    f.scegli("menu_riduci");
    f.passanoMinuti();
    QVERIFY(f.bloccata());
    f.richiesta.risposte = {QStringLiteral("k")};
    f.tray.clic();
    QTRY_VERIFY(!f.bloccata());
    QCOMPARE(f.p.scheda().elenco.Count(), 8);
  }
};

QTEST_MAIN(TestBloccoFinestra)
#include "test_blocco_finestra.moc"
