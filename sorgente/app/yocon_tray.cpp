#include "app/yocon_tray.h"

namespace custodex {

YoconTray::YoconTray(QObject* padre) : QObject(padre), icona_(this) {
  icona_.setObjectName(QStringLiteral("tray"));
  connect(&icona_, &QSystemTrayIcon::activated, this, &YoconTray::attivata);
  guardia_.setInterval(giro);
  connect(&guardia_, &QTimer::timeout, this, &YoconTray::controllaArea);
}

bool YoconTray::aggiungiIcona(qint16 id, const QIcon& icona, const QString& suggerimento) {
  // Without a notification area Qt would still call the icon shown, and the user could never
  // bring the window back.
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
  id_ = id;
  icona_.setIcon(icona);
  icona_.setToolTip(suggerimento);
  icona_.show();
  if (!icona_.isVisible()) return false;
  guardia_.start();
  return true;
}

void YoconTray::togliIcona(qint16& valore) {
  if (valore != id_) return;
  guardia_.stop();
  icona_.hide();
}

void YoconTray::controllaArea() {
  if (QSystemTrayIcon::isSystemTrayAvailable()) return;
  guardia_.stop();
  if (areaPerduta) areaPerduta();
}

void YoconTray::attivata(QSystemTrayIcon::ActivationReason motivo) {
  if (motivo != QSystemTrayIcon::Trigger && motivo != QSystemTrayIcon::DoubleClick) return;
  // Raised once control is back in the event loop: the handler takes the icon away, which must
  // not happen inside the icon's own mouse handling.
  QMetaObject::invokeMethod(
      this,
      [this, valore = id_] {
        if (evento) evento(valore);
      },
      Qt::QueuedConnection);
}

}  // namespace custodex
