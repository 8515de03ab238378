#pragma once

#include <QList>

#include "comune/piattaforma.h"

// Scripted stand-ins for the platform pieces around the windows: the notification area and the
// desktop session.

namespace custodex::copione {

class TrayCopione : public Tray {
 public:
  bool aggiungiIcona(qint16 id, const QIcon& icona, const QString& suggerimento) override;
  void togliIcona(qint16& valore) override;
  // The user clicks the icon in place.
  void clic();
  // The notification area goes away, with the icon if it is in place.
  void areaSparisce();

  bool areaPresente = true;  // false: the desktop has no notification area
  bool inPosto = false;
  qint16 id = 0;
  QString suggerimento;
  bool conIcona = false;
  QList<qint16> tolte;  // the values remove-icon was given
};

class SessioneCopione : public Sessione {
 public:
  bool puoChiedere() override { return domandePermesse; }
  void annulla() override { ++annullamenti; }

  bool domandePermesse = true;
  int annullamenti = 0;
};

}  // namespace custodex::copione
