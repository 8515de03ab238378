#include <qpa/qwindowsysteminterface.h>

#include <QPushButton>
#include <QTest>
#include <QWindow>

#include "app/qt_piattaforma.h"

using namespace custodex;

// The yield of a long command paints the status but must not run the user's queued clicks and
// keys: one that started another command there (a "Nuova Lista" inside a save) would leave the
// first one to finish on a list it never saw.
class TestAttesa : public QObject {
  Q_OBJECT

 private slots:
  void ingressoTrattenutoFinoAllaFine();
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
  const QPointF punto = bottone.geometry().center();
  const QPointF globale = w->mapToGlobal(punto);
  using Coda = QWindowSystemInterface;
  Coda::handleMouseEvent<Coda::AsynchronousDelivery>(w, punto, globale, Qt::LeftButton,
                                                     Qt::LeftButton, QEvent::MouseButtonPress);
  Coda::handleMouseEvent<Coda::AsynchronousDelivery>(w, punto, globale, Qt::NoButton,
                                                     Qt::LeftButton, QEvent::MouseButtonRelease);
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

QTEST_MAIN(TestAttesa)
#include "test_attesa.moc"
