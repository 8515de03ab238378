#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "app/principale.h"
#include "app/qt_piattaforma.h"
#include "listfile/nmcrypt.h"
#include "supporto/copione.h"
#include "supporto/copione_finestre.h"

using namespace custodex;

// Find and the clipboard buttons as the main window runs them, and Qt's clipboard.

class TestTrovaEAppunti : public QObject {
  Q_OBJECT

 private slots:
  void trovaEPulsantiNellaFinestra() {
    copione::Banco b;
    NmCrypt cifrario;
    copione::TrayCopione tray;
    copione::OrologioCopione orologio;
    Principale p{{{b.messaggi, b.richiesta, b.dialog, b.appunti, b.eventi, cifrario, b.modifica,
                   b.generatore, b.scambio},
                  tray,
                  orologio}};
    p.avvia();
    QVERIFY(QTest::qWaitForWindowActive(&p));
    Albero& a = p.scheda().elenco;
    for (int i = 0; i < 60; ++i)
      copione::aggiungiVoce(a, QString::number(i), "u", "pw" + QString::number(i),
                            i % 20 == 19 ? "ago" : "");
    auto* vista = p.findChild<QTreeView*>(QStringLiteral("elenco"));
    b.richiesta.risposte = {QStringLiteral("AGO")};
    // A description in a closed entry: the view opens the entry, scrolls to the line, and the
    // tree takes the keyboard.
    for (const char* voce : {"menu_trova", "menu_successivo"}) {
      p.findChild<QAction*>(QString::fromLatin1(voce))->trigger();
      const QModelIndex trovato = vista->currentIndex();
      QCOMPARE(trovato.row(), 2);
      QCOMPARE(a.Index(a.SelectedItem()), p.ricerca().indice_trovato);
      QVERIFY(vista->isExpanded(trovato.parent()) && a.Expanded(a.Parent(a.SelectedItem())));
      QVERIFY(vista->viewport()->rect().contains(vista->visualRect(trovato)));
      QCOMPARE(QApplication::focusWidget(), vista);
    }
    QCOMPARE(p.ricerca().indice_trovato, 160);

    vista->setCurrentIndex(vista->model()->index(1, 0, vista->model()->index(2, 0)));
    p.findChild<QToolButton*>(QStringLiteral("copia"))->click();
    QCOMPARE(b.appunti.contenuto, QStringLiteral("pw2"));
    b.appunti.contenuto = QStringLiteral("Posta");
    p.findChild<QToolButton*>(QStringLiteral("incolla"))->click();
    QCOMPARE(vista->currentIndex().data().toString(), QStringLiteral("Posta"));
  }

  void laChiaveDigitataNonSiVede() {
    QtRichiesta richiesta(nullptr);
    int eco = -1;
    // Runs once the box is up, inside its loop.
    QTimer::singleShot(0, [&] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QInputDialog*>(w); box && box->isVisible()) {
          eco = box->findChild<QLineEdit*>()->echoMode();
          box->reject();
        }
    });
    QVERIFY(!richiesta.chiedi(QStringLiteral("Chiave:"), Richiesta::Eco::Nascosta));
    QCOMPARE(eco, int(QLineEdit::Password));
  }

  void laCopiaSparisceSoloSeAncoraNostra() {
    QClipboard* appunti = QGuiApplication::clipboard();
    QtAppunti copie;
    auto scade = [&] { QVERIFY(QMetaObject::invokeMethod(&copie.scadenza(), "timeout")); };
    copie.scriviSegreto(QStringLiteral("pw"));
    QCOMPARE(appunti->text(), QStringLiteral("pw"));
    QCOMPARE(appunti->mimeData()->data(QStringLiteral("x-kde-passwordManagerHint")), "secret");
    QVERIFY(copie.scadenza().isActive() && copie.scadenza().isSingleShot());
    QCOMPARE(copie.scadenza().intervalAsDuration(), std::chrono::milliseconds(30000));
    scade();
    QCOMPARE(appunti->text(), QString());

    // The user copied something else meanwhile, even the same text: it stays.
    copie.scriviSegreto(QStringLiteral("pw"));
    appunti->setText(QStringLiteral("pw"));
    scade();
    QCOMPARE(appunti->text(), QStringLiteral("pw"));

    // At the program's end: on quitting, and when the window's pieces go.
    copie.scriviSegreto(QStringLiteral("pw"));
    QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit"));
    QCOMPARE(appunti->text(), QString());
    QtAppunti().scriviSegreto(QStringLiteral("pw"));
    QCOMPARE(appunti->text(), QString());
  }
};

QTEST_MAIN(TestTrovaEAppunti)
#include "test_trova_e_appunti.moc"
