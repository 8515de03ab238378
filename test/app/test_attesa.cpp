#include <qpa/qwindowsysteminterface.h>

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "app/qt_piattaforma.h"
#include "comune/testi.h"
#include "supporto/copione.h"
#include "supporto/finestra_copione.h"

using namespace custodex;

namespace {

using Coda = QWindowSystemInterface;

// A click queued as the window system queues it, on `punto` of `finestra`.
void accodaClic(QWidget* finestra, QPoint punto) {
  QWindow* w = finestra->window()->windowHandle();
  const QPointF locale = finestra->mapTo(finestra->window(), punto);
  const QPointF globale = w->mapToGlobal(locale);
  Coda::handleMouseEvent<Coda::AsynchronousDelivery>(w, locale, globale, Qt::LeftButton,
                                                     Qt::LeftButton, QEvent::MouseButtonPress);
  Coda::handleMouseEvent<Coda::AsynchronousDelivery>(w, locale, globale, Qt::NoButton,
                                                     Qt::LeftButton, QEvent::MouseButtonRelease);
}

// The same, then delivered as the loop of a prompt would deliver it.
void clicInCoda(QWidget* finestra, QPoint punto) {
  accodaClic(finestra, punto);
  QCoreApplication::processEvents();
}

// An item of the File menu chosen with the mouse: the menu opened, then the item.
void sceltaConIlMouse(Principale& p, const char* voce) {
  QMenuBar* barra = p.menuBar();
  auto* file = p.findChild<QMenu*>(QStringLiteral("menu_file"));
  clicInCoda(barra, barra->actionGeometry(file->menuAction()).center());
  QTRY_VERIFY(file->isVisible());
  clicInCoda(file, file->actionGeometry(p.findChild<QAction*>(QString::fromLatin1(voce))).center());
}

}  // namespace

// The yield of a long command paints the status but must not run the user's queued clicks and
// keys: one that started another command there (a "Nuova Lista" inside a save) would leave the
// first one to finish on a list it never saw.
class TestAttesa : public QObject {
  Q_OBJECT

 private slots:
  void ingressoTrattenutoFinoAllaFine();
  void unComandoAllaVolta_data();
  void unComandoAllaVolta();
};

void TestAttesa::ingressoTrattenutoFinoAllaFine() {
  QWidget finestra;
  QPushButton bottone(QStringLiteral("Nuova Lista"), &finestra);
  bottone.setGeometry(10, 10, 120, 30);
  int clic = 0;
  connect(&bottone, &QPushButton::clicked, [&clic] { ++clic; });
  finestra.resize(200, 100);
  finestra.show();
  QVERIFY(QTest::qWaitForWindowActive(&finestra));
  bottone.setFocus();

  // Queued as the window system queues them: a click on the button, then a space bar on it.
  QWindow* w = finestra.windowHandle();
  accodaClic(&bottone, bottone.rect().center());
  Coda::handleKeyEvent<Coda::AsynchronousDelivery>(w, QEvent::KeyPress, Qt::Key_Space,
                                                   Qt::NoModifier, QStringLiteral(" "));
  Coda::handleKeyEvent<Coda::AsynchronousDelivery>(w, QEvent::KeyRelease, Qt::Key_Space,
                                                   Qt::NoModifier, QStringLiteral(" "));
  // And work of the program's own, such as a repaint.
  bool proprio = false;
  QMetaObject::invokeMethod(
      &finestra, [&proprio] { proprio = true; }, Qt::QueuedConnection);

  QtEventi eventi;
  eventi.lasciaScorrere();
  QVERIFY(proprio);
  QCOMPARE(clic, 0);

  // Once the command has ended, the next turn of the loop runs the input: it is neither lost
  // nor left waiting for some later event.
  QCoreApplication::processEvents();
  QCOMPARE(clic, 2);
}

void TestAttesa::unComandoAllaVolta_data() {
  QTest::addColumn<QByteArray>("comando");
  QTest::addColumn<int>("richiesta");  // the prompt the click comes at: 0 for the file dialog
  for (const char* comando : {"menu_salva", "menu_salva_nome"})
    for (int r : {0, 1, 2}) QTest::addRow("%s, %d", comando, r) << QByteArray(comando) << r;
  for (int r : {0, 1}) QTest::addRow("menu_carica, %d", r) << QByteArray("menu_carica") << r;
}

void TestAttesa::unComandoAllaVolta() {
  // A click that the window system delivers while a save or a load waits at one of its prompts
  // (queued behind the Enter that closes it). Run there, "Nuova Lista" would empty the list that
  // the save then ties to the file, and the next "Salva Lista" would overwrite the file with
  // nothing; "Carica Lista" would make another file the current one, and the load would tie the
  // list it read to that file.
  QFETCH(QByteArray, comando);
  QFETCH(int, richiesta);
  QTemporaryDir cartella;
  const QString file = cartella.filePath(QStringLiteral("lista.kvx"));
  copione::FinestraCopione f;
  f.p.avvia();
  QVERIFY(QTest::qWaitForWindowExposed(&f.p));
  Albero& elenco = f.p.scheda().elenco;
  copione::aggiungiVoce(elenco, QStringLiteral("posta"), {}, {}, {});
  if (comando == "menu_carica") {
    f.dialog.risposte = {file};
    f.richiesta.risposte = {QStringLiteral("k"), QStringLiteral("k")};
    f.scegli("menu_salva");
    copione::aggiungiVoce(elenco, QStringLiteral("non salvata"), {}, {}, {});
  }

  const bool carica = comando == "menu_carica";
  const char* clic = carica ? "menu_carica" : "menu_nuova";
  int richieste = 0;
  const auto inCoda = [&] {
    if (richieste++ == richiesta) sceltaConIlMouse(f.p, clic);
  };
  f.dialog.durante = inCoda;
  f.richiesta.durante = inCoda;
  f.dialog.risposte = {file, cartella.filePath(QStringLiteral("altra.kvx"))};
  f.richiesta.risposte = {QStringLiteral("k"), QStringLiteral("k")};
  f.scegli(comando.constData());
  QCOMPARE(richieste, carica ? 2 : 3);
  QCoreApplication::processEvents();

  // The command ran whole on the list it began with; the click was refused, not run after it.
  QCOMPARE(copione::testiNodi(elenco).value(0), QStringLiteral("posta"));
  QCOMPARE(elenco.Count(), 4);
  QVERIFY(f.p.statoFile().file_noto);
  QCOMPARE(f.dialog.FileName(), file);
  QCOMPARE(f.p.findChild<QLabel*>(QStringLiteral("stato"))->text(), testi::statoCompletato);

  // With no command running, the same clicks do run their command.
  f.dialog.durante = nullptr;
  const qsizetype dialoghi = f.dialog.mostrati.size();
  sceltaConIlMouse(f.p, clic);
  QVERIFY(carica ? f.dialog.mostrati.size() > dialoghi : elenco.Count() == 0);
}

QTEST_MAIN(TestAttesa)
#include "test_attesa.moc"
