#include "app/centra_finestra.h"

#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace custodex {

namespace {

// Where the frame does not fit, its top-left corner stays on the area, and the title bar with it.
int dentro(int inizio, int lato, int inizioArea, int latoArea) {
  return std::max(inizioArea, std::min(inizio, inizioArea + latoArea - lato));
}

void centra(QWidget& finestra, const QScreen* schermo) {
  if (!schermo) schermo = finestra.screen();
  if (!schermo) return;
  const QRect area = schermo->availableGeometry();
  QRect posto = finestra.frameGeometry();
  posto.moveCenter(area.center());
  finestra.move(dentro(posto.left(), posto.width(), area.left(), area.width()),
                dentro(posto.top(), posto.height(), area.top(), area.height()));
}

// Waits for the window manager's frame, then centres the window with it and goes.
class AttesaCornice : public QObject {
 public:
  AttesaCornice(QWidget& finestra, QScreen* schermo)
      : QObject(&finestra), finestra_(finestra), schermo_(schermo) {
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
          centra(finestra_, schermo_);
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
  QPointer<QScreen> schermo_;
};

}  // namespace

void centraFinestra(QWidget& finestra, QScreen* schermo) {
  centra(finestra, schermo);
  new AttesaCornice(finestra, schermo);
}

}  // namespace custodex
