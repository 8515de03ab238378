#include <QClipboard>
#include <QInputDialog>
#include <QLabel>
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

template <class W = QWidget>
W* controllo(QObject& p, const char* nome) {
  W* w = p.findChild<W*>(QString::fromLatin1(nome));
  if (!w) qFatal("missing control %s", nome);
  return w;
}

// Answers the find prompt once it shows, and notes how it was asked.
struct Risposta {
  QString domanda, titolo, iniziale;
  QLineEdit::EchoMode eco = QLineEdit::Password;

  void dai(const QString& testo) {
    QMetaObject::invokeMethod(
        qApp,
        [this, testo] {
          auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
          if (!box) qFatal("no prompt");
          domanda = box->labelText();
          titolo = box->windowTitle();
          iniziale = box->textValue();
          eco = box->textEchoMode();
          box->setTextValue(testo);
          box->accept();
        },
        Qt::QueuedConnection);
  }
};

QClipboard* appunti() {
  return QGuiApplication::clipboard();
}

QByteArray segno() {
  const QMimeData* d = appunti()->mimeData();
  return d ? d->data(QStringLiteral("x-kde-passwordManagerHint")) : QByteArray();
}

}  // namespace

class TestTrovaEAppunti : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    p = std::make_unique<Principale>();
    p->avvia();
    QVERIFY(QTest::qWaitForWindowActive(p.get()));
    for (int i = 0; i < 60; ++i)
      copione::aggiungiVoce(p->scheda().elenco, QStringLiteral("voce %1").arg(i), "utente",
                            QStringLiteral("segreto %1").arg(i), i % 20 == 19 ? "ago" : "");
  }
  void cleanup() { p.reset(); }

  void trovatoInUnaVoceChiusa() {
    Albero& a = p->scheda().elenco;
    auto* vista = controllo<QTreeView>(*p, "elenco");
    QCOMPARE(QApplication::focusWidget(), controllo(*p, "pls_aggiungi"));

    Risposta r;
    r.dai(QStringLiteral("AGO"));
    controllo<QAction>(*p, "menu_trova")->trigger();
    QCOMPARE(r.domanda, QStringLiteral("Inserire la parola chiave da cercare: "));
    QCOMPARE(r.titolo, QStringLiteral("Custodex"));
    QCOMPARE(r.iniziale, QString());
    QCOMPARE(r.eco, QLineEdit::Normal);
    QCOMPARE(p->scheda().indice_trovato, 80);

    // The description of a closed entry: the view opens the entry, shows the line selected and
    // takes the keyboard.
    const QModelIndex trovato = vista->currentIndex();
    QCOMPARE(trovato, vista->model()->index(2, 0, vista->model()->index(19, 0)));
    QVERIFY(vista->isExpanded(trovato.parent()));
    QVERIFY(a.Expanded(a.Item(77)));
    QVERIFY(vista->viewport()->rect().contains(vista->visualRect(trovato)));
    // The window gets the keyboard back from the prompt with the tree focused.
    QCOMPARE(p->focusWidget(), vista);
    p->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(p.get()));
    QCOMPARE(QApplication::focusWidget(), vista);
    QCOMPARE(controllo<QLabel>(*p, "stato")->text(),
             QStringLiteral("Stato: operazioni completate"));

    // Find next, from a tree scrolled back to the top with the focus elsewhere.
    vista->scrollToTop();
    controllo(*p, "txt_nome")->setFocus();
    controllo<QAction>(*p, "menu_successivo")->trigger();
    QCOMPARE(p->scheda().indice_trovato, 160);
    QCOMPARE(vista->currentIndex(), vista->model()->index(2, 0, vista->model()->index(39, 0)));
    QVERIFY(vista->viewport()->rect().contains(vista->visualRect(vista->currentIndex())));
    QCOMPARE(QApplication::focusWidget(), vista);
  }

  void pulsantiCopiaEIncolla() {
    Albero& a = p->scheda().elenco;
    auto* vista = controllo<QTreeView>(*p, "elenco");
    const QStringList prima = copione::testiNodi(a);

    // The user picks a password line and copies it: the value goes out marked as a secret.
    vista->setCurrentIndex(vista->model()->index(1, 0, vista->model()->index(2, 0)));
    controllo<QToolButton>(*p, "copia")->click();
    QCOMPARE(appunti()->text(), QStringLiteral("segreto 2"));
    QCOMPARE(segno(), QByteArray("secret"));
    QCOMPARE(copione::testiNodi(a), prima);

    // Text copied elsewhere pastes over an entry's name.
    appunti()->setText(QStringLiteral("Posta di casa"));
    vista->setCurrentIndex(vista->model()->index(5, 0));
    controllo<QToolButton>(*p, "incolla")->click();
    QCOMPARE(a.Text(a.Item(21)), QStringLiteral("Posta di casa"));
    QCOMPARE(vista->model()->index(5, 0).data().toString(), QStringLiteral("Posta di casa"));
  }

  void laCopiaSparisceSoloSeAncoraNostra() {
    QtAppunti copie;
    QTimer& scadenza = copie.scadenza();
    copie.scriviSegreto(QStringLiteral("pw"));
    QVERIFY(scadenza.isActive());
    QVERIFY(scadenza.isSingleShot());
    QCOMPARE(scadenza.intervalAsDuration(), std::chrono::milliseconds(30000));

    // The countdown runs out while our copy is still there: it goes.
    QVERIFY(QMetaObject::invokeMethod(&scadenza, "timeout"));
    QCOMPARE(appunti()->text(), QString());
    QCOMPARE(segno(), QByteArray());

    // The user copied something else meanwhile, even the same text: it stays.
    copie.scriviSegreto(QStringLiteral("pw"));
    appunti()->setText(QStringLiteral("pw"));
    QVERIFY(QMetaObject::invokeMethod(&scadenza, "timeout"));
    QCOMPARE(appunti()->text(), QStringLiteral("pw"));

    // A second copy starts the countdown again and is the one that counts.
    copie.scriviSegreto(QStringLiteral("uno"));
    copie.scriviSegreto(QStringLiteral("due"));
    QVERIFY(copie.tieneSegreto());
    QVERIFY(QMetaObject::invokeMethod(&scadenza, "timeout"));
    QCOMPARE(appunti()->text(), QString());
  }

  void laCopiaSparisceAllaFine() {
    // The program ends: quitting, or the window's clipboard going with it.
    {
      QtAppunti copie;
      copie.scriviSegreto(QStringLiteral("pw"));
      QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit"));
      QCOMPARE(appunti()->text(), QString());
      copie.scriviSegreto(QStringLiteral("pw"));
    }
    QCOMPARE(appunti()->text(), QString());
    {
      QtAppunti copie;
      copie.scriviSegreto(QStringLiteral("pw"));
      appunti()->setText(QStringLiteral("mio"));
    }
    QCOMPARE(appunti()->text(), QStringLiteral("mio"));
  }

 private:
  std::unique_ptr<Principale> p;
};

QTEST_MAIN(TestTrovaEAppunti)
#include "test_trova_e_appunti.moc"
