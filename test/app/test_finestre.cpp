#include <QApplication>
#include <QCloseEvent>
#include <QTest>
#include <QWindow>

#include "app/finestre.h"
#include "app/principale.h"
#include "listfile/nmcrypt.h"
#include "supporto/copione.h"
#include "supporto/copione_finestre.h"
#include "supporto/finestra_copione.h"

using namespace custodex;
using copione::MessaggiCopione;
using copione::SessioneCopione;
using copione::TrayCopione;

namespace {

// The real main window over scripted pieces, and a way to its about window.
struct FinestraCopione : copione::FinestraCopione {
  QWidget* about() {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == QStringLiteral("about")) return w;
    return nullptr;
  }
};

}  // namespace

class TestFinestre : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    principale = std::make_unique<QWidget>();
    principale->resize(200, 200);
    messaggi = std::make_unique<MessaggiCopione>();
    tray = std::make_unique<TrayCopione>();
    finestre = std::make_unique<Finestre>(*principale, *messaggi, *tray);
    principale->show();
    QVERIFY(QTest::qWaitForWindowExposed(principale.get()));
  }
  void cleanup() {
    finestre.reset();
    principale.reset();
  }

  // Exit confirmation.

  void esciNoTieneLaFinestraEChiudeAbout() {
    finestre->menu_pass();
    messaggi->risposte = {false};
    QVERIFY(!principale->close());
    QVERIFY(principale->isVisible());
    QVERIFY(!finestre->about()->isVisible());
    QCOMPARE(messaggi->domande, QStringList{"Sei sicuro di voler uscire?"});

    messaggi->risposte = {true};
    finestre->menu_pass();
    QVERIFY(principale->close());
    QVERIFY(!principale->isVisible());
    QVERIFY(!finestre->about()->isVisible());
  }

  void laChiusuraDelGestoreChiedeLoStesso() {
    // What the title-bar button and the window manager send: a close event to the window.
    auto chiudiDaFuori = [&] {
      QCloseEvent richiesta;
      QApplication::sendEvent(principale->windowHandle(), &richiesta);
    };
    messaggi->risposte = {false, true};
    chiudiDaFuori();
    QVERIFY(principale->isVisible());
    chiudiDaFuori();
    QVERIFY(!principale->isVisible());
    QCOMPARE(messaggi->domande,
             (QStringList{"Sei sicuro di voler uscire?", "Sei sicuro di voler uscire?"}));
  }

  void fineSessione() {
    SessioneCopione sessione;
    finestre->menu_pass();
    messaggi->risposte = {false};
    finestre->fineSessione(sessione);
    QCOMPARE(sessione.annullamenti, 1);
    QVERIFY(principale->isVisible());
    QVERIFY(!finestre->about()->isVisible());

    // Without the session's leave nothing is asked and nothing is called off.
    sessione.domandePermesse = false;
    finestre->fineSessione(sessione);
    QCOMPARE(messaggi->domande.size(), 1);

    // Yes leaves the ending to the session: its close that follows does not ask again.
    sessione.domandePermesse = true;
    messaggi->risposte = {true};
    finestre->fineSessione(sessione);
    QCOMPARE(sessione.annullamenti, 1);
    QVERIFY(principale->isVisible());
    QVERIFY(principale->close());
    QCOMPARE(messaggi->domande.size(), 2);

    // Only saved, the session goes on; once the user is back at the window, a close asks.
    principale->show();
    finestre->fineSessione(sessione);
    QTest::mouseClick(principale.get(), Qt::LeftButton);
    messaggi->risposte = {false};
    QVERIFY(!principale->close());
    QCOMPARE(messaggi->domande.size(), 4);
  }

  void laFinestraPrincipaleLiCollega() {
    FinestraCopione f;
    f.p.avvia();
    QVERIFY(QTest::qWaitForWindowExposed(&f.p));
    f.scegli("menu_pass");
    QVERIFY(f.about() && f.about()->isVisible());

    f.scegli("menu_riduci");
    QVERIFY(f.tray.inPosto);
    QVERIFY(!f.p.isVisible());
    QVERIFY(!f.about()->isVisible());
    f.tray.clic();
    QVERIFY(f.p.isVisible());
    QVERIFY(f.about()->isVisible());

    f.messaggi.risposte = {false, false};
    f.scegli("menu_esci");
    QVERIFY(f.p.isVisible());
    QVERIFY(!f.about()->isVisible());
    QCloseEvent richiesta;
    QApplication::sendEvent(f.p.windowHandle(), &richiesta);
    QVERIFY(f.p.isVisible());
    QCOMPARE(f.messaggi.domande.size(), 2);

    // With an entry not yet saved, the question says it will be lost.
    copione::aggiungiVoce(f.p.scheda().elenco, QStringLiteral("nuova"), {}, {}, {});
    f.messaggi.risposte = {false};
    f.scegli("menu_esci");
    QCOMPARE(f.messaggi.domande.last(),
             testi_finestre::domandaUscita + u'\n' + testi_finestre::modifichePerse);
    QCOMPARE(f.messaggi.domande[0], testi_finestre::domandaUscita);
  }

  // About window.

  void aboutDueVolteEUnaFinestra() {
    finestre->menu_pass();
    About* primo = finestre->about();
    finestre->menu_pass();
    QCOMPARE(finestre->about(), primo);
    int quante = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
      quante += w->objectName() == QStringLiteral("about");
    QCOMPARE(quante, 1);
    QVERIFY(primo->isVisible());
    QVERIFY(primo->parentWidget() == nullptr);
    QVERIFY(!primo->isModal());
    QCOMPARE(primo->minimumSize(), primo->maximumSize());
    // Nothing in it can take the keyboard.
    for (QWidget* w : primo->findChildren<QWidget*>()) QCOMPARE(w->focusPolicy(), Qt::NoFocus);
  }

  // Tray.

  void aboutApertoSiNascondeERitornaConLaFinestra() {
    finestre->menu_pass();
    finestre->menu_riduci();
    QVERIFY(tray->inPosto);
    QCOMPARE(tray->id, qint16(1));
    QCOMPARE(tray->suggerimento, QStringLiteral("Custodex"));
    QVERIFY(!principale->isVisible());
    QVERIFY(!finestre->about()->isVisible());
    QVERIFY(finestre->about_nascosto());

    tray->clic();
    QVERIFY(principale->isVisible());
    QVERIFY(finestre->about()->isVisible());
    QVERIFY(!tray->inPosto);
    QCOMPARE(tray->tolte, QList<qint16>{1});
    QVERIFY(finestre->about_nascosto());  // restoring does not clear it
  }

  void aboutChiusoRitornaSoloLaFinestra() {
    finestre->menu_riduci();
    QVERIFY(!principale->isVisible());
    tray->clic();
    QVERIFY(principale->isVisible());
    QVERIFY(!finestre->about() || !finestre->about()->isVisible());
    QVERIFY(!tray->inPosto);
  }

  void aboutChiusoDopoIlRipristino() {
    finestre->menu_pass();
    finestre->menu_riduci();
    tray->clic();
    finestre->about()->close();
    QVERIFY(!finestre->about_nascosto());
    finestre->menu_riduci();
    tray->clic();
    QVERIFY(principale->isVisible());
    QVERIFY(!finestre->about()->isVisible());
  }

  void aboutApertoEChiusoPrimaDellaRiduzione() {
    finestre->menu_pass();
    finestre->about()->close();
    finestre->menu_riduci();
    QVERIFY(!finestre->about_nascosto());
    tray->clic();
    QVERIFY(principale->isVisible());
    QVERIFY(!finestre->about()->isVisible());
  }

  void areaDiNotificaSparitaRiportaLeFinestre() {
    finestre->menu_pass();
    finestre->menu_riduci();
    tray->areaSparisce();
    QVERIFY(principale->isVisible());
    QVERIFY(finestre->about()->isVisible());
    QVERIFY(!tray->inPosto);
  }

  void ilFocusTornaDovEra() {
    FinestraCopione f;
    f.p.avvia();
    QVERIFY(QTest::qWaitForWindowActive(&f.p));
    auto* password = f.p.findChild<QWidget*>(QStringLiteral("txt_password"));
    password->setFocus();
    f.scegli("menu_riduci");
    f.tray.clic();
    // The control that takes the keyboard as the window becomes active.
    QCOMPARE(f.p.focusWidget(), password);
  }

  void senzaAreaDiNotificaNienteSiNasconde() {
    finestre->menu_pass();
    tray->areaPresente = false;
    finestre->menu_riduci();
    QVERIFY(principale->isVisible());
    QVERIFY(finestre->about()->isVisible());
    QVERIFY(!finestre->about_nascosto());
  }

  void senzaAreaDiNotificaLaListaRestaInVista() {
    FinestraCopione f;
    f.p.avvia();
    QVERIFY(QTest::qWaitForWindowExposed(&f.p));
    f.tray.areaPresente = false;
    f.scegli("menu_riduci");
    QVERIFY(f.p.isVisible());
    QVERIFY(!f.tray.inPosto);
  }

 private:
  std::unique_ptr<QWidget> principale;
  std::unique_ptr<MessaggiCopione> messaggi;
  std::unique_ptr<TrayCopione> tray;
  std::unique_ptr<Finestre> finestre;
};

QTEST_MAIN(TestFinestre)
#include "test_finestre.moc"
