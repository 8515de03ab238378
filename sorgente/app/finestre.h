#pragma once

#include <QObject>
#include <QWidget>
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
  // The tray's event: the windows back, the icon away.
  void ripristina(qint16 valore);
  // The desktop session is ending: the same question as any close request.
  void fineSessione(Sessione& sessione);

  // The about window, or null before its first use.
  About* about() const { return about_.get(); }
  // Whether the tray minimise hid the about window; only closing that window clears it.
  bool about_nascosto() const { return about_nascosto_; }

 protected:
  bool eventFilter(QObject* oggetto, QEvent* evento) override;

 private:
  // Asks whether to leave; either answer closes the about window. True for Yes.
  bool confermaUscita();
  About& aboutCreato();

  QWidget& principale_;
  Messaggi& messaggi_;
  Tray& tray_;
  std::unique_ptr<About> about_;
  bool about_nascosto_ = false;
  // The user has already said Yes for the close now under way.
  bool uscitaConfermata_ = false;
};

namespace testi_finestre {
inline const QString domandaUscita = QStringLiteral("Sei sicuro di voler uscire?");
}

}  // namespace custodex
