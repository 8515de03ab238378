#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/about.h"
#include "comune/piattaforma.h"

namespace custodex {

// The program's two windows and what shows, hides and closes them: the about window, the exit
// confirmation and hiding into the notification area. It watches the main window's close
// requests, whatever their source, and the desktop session's end.
class Finestre : public QObject {
  Q_OBJECT

 public:
  Finestre(QWidget& principale, Messaggi& messaggi, Tray& tray);
  ~Finestre() override;

  // "Custodex" of the Info menu: the one about window, made on first use, to the front.
  void menu_pass();
  // "Riduci nella Traybar": an icon in the notification area instead of the windows.
  void menu_riduci();
  // The tray's event, or the notification area gone from under the icon: the windows back, the
  // icon away, the keyboard where the user left it.
  void ripristina(qint16 valore);
  // The desktop session is ending: the same question as any close request. A Yes only lets the
  // session end the program; the program must not quit while the session manager waits on it.
  void fineSessione(Sessione& sessione);

  // Whether the list has changes that leaving would lose; the exit question then says so.
  std::function<bool()> modificheNonSalvate;

  // The about window, or null before its first use.
  About* about() const { return about_.get(); }
  // Whether the tray minimise hid the about window; only closing that window clears it.
  bool about_nascosto() const { return about_nascosto_; }

 protected:
  bool eventFilter(QObject* oggetto, QEvent* evento) override;

 private:
  // Asks whether to leave; either answer closes the about window. True for Yes.
  bool confermaUscita();
  // The session did not end after all: a later close asks again.
  void dimenticaConferma();
  About& aboutCreato();

  QWidget& principale_;
  Messaggi& messaggi_;
  Tray& tray_;
  std::unique_ptr<About> about_;
  bool about_nascosto_ = false;
  // The user has said Yes when the session began to end; its closing of the windows asks nothing.
  bool uscitaConfermata_ = false;
  // The control that had the keyboard when the window went into the tray.
  QPointer<QWidget> focoPrima_;
};

namespace testi_finestre {
inline const QString domandaUscita = QStringLiteral("Sei sicuro di voler uscire?");
inline const QString modifichePerse = QStringLiteral("Le modifiche non salvate andranno perse.");
}  // namespace testi_finestre

}  // namespace custodex
