#include <QClipboard>
#include <QInputDialog>
#include <QMimeData>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include "app/principale.h"
#include "app/qt_piattaforma.h"
#include "supporto/copione.h"

using namespace custodex;

// Find and the clipboard buttons as the main window runs them, on Qt's own clipboard.

namespace {

QClipboard* appunti() {
  return QGuiApplication::clipboard();
}

void scade(QtAppunti& copie) {
  QVERIFY(QMetaObject::invokeMethod(&copie.scadenza(), "timeout"));
}

}  // namespace

class TestTrovaEAppunti : public QObject {
  Q_OBJECT

 private slots:
  void trovaEPulsantiNellaFinestra() {
    Principale p;
    p.avvia();
    QVERIFY(QTest::qWaitForWindowActive(&p));
    Albero& a = p.scheda().elenco;
    for (int i = 0; i < 60; ++i)
      copione::aggiungiVoce(a, QString::number(i), "u", "pw" + QString::number(i),
                            i % 20 == 19 ? "ago" : "");
    auto* vista = p.findChild<QTreeView*>(QStringLiteral("elenco"));
    QString domanda;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
          auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
          domanda = box->labelText();
          box->setTextValue(QStringLiteral("AGO"));
          box->accept();
        },
        Qt::QueuedConnection);
    p.findChild<QAction*>(QStringLiteral("menu_trova"))->trigger();
    QCOMPARE(domanda, QStringLiteral("Inserire la parola chiave da cercare: "));

    // A description in a closed entry: the view opens the entry, scrolls to the line and the
    // tree has the keyboard when the window has it back.
    for (int successivo : {0, 1}) {
      if (successivo) p.findChild<QAction*>(QStringLiteral("menu_successivo"))->trigger();
      const QModelIndex trovato = vista->currentIndex();
      QCOMPARE(trovato,
               vista->model()->index(2, 0, vista->model()->index(19 + 20 * successivo, 0)));
      QVERIFY(vista->isExpanded(trovato.parent()));
      QVERIFY(a.Expanded(a.Item(77 + 80 * successivo)));
      QVERIFY(vista->viewport()->rect().contains(vista->visualRect(trovato)));
      QCOMPARE(p.focusWidget(), vista);
    }

    // Copy a password line: its value goes out marked as a secret, the tree stays.
    vista->setCurrentIndex(vista->model()->index(1, 0, vista->model()->index(2, 0)));
    p.findChild<QToolButton*>(QStringLiteral("copia"))->click();
    QCOMPARE(appunti()->text(), QStringLiteral("pw2"));
    QCOMPARE(appunti()->mimeData()->data(QStringLiteral("x-kde-passwordManagerHint")), "secret");
    QCOMPARE(a.Text(a.Item(11)), QStringLiteral("Password: pw2"));
    // Paste over an entry's name.
    appunti()->setText(QStringLiteral("Posta"));
    vista->setCurrentIndex(vista->model()->index(5, 0));
    p.findChild<QToolButton*>(QStringLiteral("incolla"))->click();
    QCOMPARE(vista->model()->index(5, 0).data().toString(), QStringLiteral("Posta"));
  }

  void laCopiaSparisceSoloSeAncoraNostra() {
    QtAppunti copie;
    copie.scriviSegreto(QStringLiteral("pw"));
    QVERIFY(copie.scadenza().isActive() && copie.scadenza().isSingleShot());
    QCOMPARE(copie.scadenza().intervalAsDuration(), std::chrono::milliseconds(30000));
    scade(copie);
    QCOMPARE(appunti()->text(), QString());

    // The user copied something else meanwhile, even the same text: it stays.
    copie.scriviSegreto(QStringLiteral("pw"));
    appunti()->setText(QStringLiteral("pw"));
    scade(copie);
    QCOMPARE(appunti()->text(), QStringLiteral("pw"));

    // At the program's end: on quitting, and when the window goes.
    copie.scriviSegreto(QStringLiteral("pw"));
    QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit"));
    QCOMPARE(appunti()->text(), QString());
    {
      QtAppunti altre;
      altre.scriviSegreto(QStringLiteral("pw"));
    }
    QCOMPARE(appunti()->text(), QString());
  }
};

QTEST_MAIN(TestTrovaEAppunti)
#include "test_trova_e_appunti.moc"
