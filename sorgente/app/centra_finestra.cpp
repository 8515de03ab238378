#include "app/centra_finestra.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

namespace custodex {

namespace {

void centra(QWidget& finestra) {
  if (const QScreen* schermo = finestra.screen()) {
    QRect posto = finestra.frameGeometry();
    posto.moveCenter(schermo->availableGeometry().center());
    finestra.move(posto.topLeft());
  }
}

// Waits for the window manager's frame, then centres the window with it and goes.
class AttesaCornice : public QObject {
 public:
  explicit AttesaCornice(QWidget& finestra) : QObject(&finestra), finestra_(finestra) {
    finestra.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* oggetto, QEvent* evento) override {
    switch (evento->type()) {
      case QEvent::Show:
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::WindowActivate:
        // Without a window manager there is no frame, and the first centring stands.
        if (finestra_.isVisible() && finestra_.frameGeometry() != finestra_.geometry()) {
          finestra_.removeEventFilter(this);
          centra(finestra_);
          deleteLater();
        }
        break;
      default:
        break;
    }
    return QObject::eventFilter(oggetto, evento);
  }

 private:
  QWidget& finestra_;
};

}  // namespace

void centraFinestra(QWidget& finestra) {
  centra(finestra);
  new AttesaCornice(finestra);
}

}  // namespace custodex
