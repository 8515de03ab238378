#pragma once

#include <QObject>
#include <QSystemTrayIcon>

#include "comune/piattaforma.h"

namespace custodex {

// The notification-area component `tray`, over Qt's tray icon.
class YoconTray : public QObject, public Tray {
  Q_OBJECT

 public:
  explicit YoconTray(QObject* padre = nullptr);

  bool aggiungiIcona(qint16 id, const QIcon& icona, const QString& suggerimento) override;
  void togliIcona(qint16& valore) override;

 private:
  void attivata(QSystemTrayIcon::ActivationReason motivo);

  QSystemTrayIcon icona_;
  qint16 id_ = 0;
};

}  // namespace custodex
