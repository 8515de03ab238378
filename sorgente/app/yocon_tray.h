#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <chrono>

#include "comune/piattaforma.h"

namespace custodex {

// The notification-area component `tray`, over Qt's tray icon.
class YoconTray : public QObject, public Tray {
  Q_OBJECT

 public:
  // How often, while the icon is in place, the notification area is looked for. Qt tells nobody
  // when it goes; while the icon is away nothing is looked at.
  static constexpr std::chrono::seconds giro{3};

  explicit YoconTray(QObject* padre = nullptr);

  bool aggiungiIcona(qint16 id, const QIcon& icona, const QString& suggerimento) override;
  void togliIcona(qint16& valore) override;

  // Runs while the icon is in place; each timeout looks for the notification area.
  QTimer& guardia() { return guardia_; }

 private:
  void attivata(QSystemTrayIcon::ActivationReason motivo);
  void controllaArea();

  QSystemTrayIcon icona_;
  QTimer guardia_;
  qint16 id_ = 0;
};

}  // namespace custodex
