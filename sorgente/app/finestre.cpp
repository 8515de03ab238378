#include "app/finestre.h"

#include <QApplication>
#include <QCloseEvent>
#include <QSessionManager>

#include "app/centra_finestra.h"
#include "app/qt_sessione.h"
#include "comune/testi.h"

namespace custodex {

namespace {
// The one icon the program puts in the notification area.
constexpr qint16 idIcona = 1;
}  // namespace

Finestre::Finestre(QWidget& principale, Messaggi& messaggi, Tray& tray)
    : principale_(principale), messaggi_(messaggi), tray_(tray) {
  principale_.installEventFilter(this);
  tray_.evento = [this](qint16 valore) { ripristina(valore); };
  // With the notification area gone the icon cannot be clicked: the windows come back by
  // themselves, or the list would stay out of reach.
  tray_.areaPerduta = [this] { ripristina(idIcona); };
  // Qt sends no close request when the session ends; it asks the program to commit instead.
  connect(
      qGuiApp, &QGuiApplication::commitDataRequest, this,
      [this](QSessionManager& gestore) {
        QtSessione sessione(gestore);
        fineSessione(sessione);
      },
      Qt::DirectConnection);
}

Finestre::~Finestre() {
  tray_.evento = nullptr;
  tray_.areaPerduta = nullptr;
}

void Finestre::menu_pass() {
  About& about = aboutCreato();
  // Opened where the user is looking; once open it stays where the user puts it.
  if (!about.isVisible()) centraFinestra(about, principale_.screen());
  about.show();
  about.raise();
  about.activateWindow();
}

void Finestre::menu_riduci() {
  if (!tray_.aggiungiIcona(idIcona, principale_.windowIcon(), testi::titolo)) return;
  // Hiding the window passes its focus on to the next control.
  focoPrima_ = principale_.focusWidget();
  principale_.hide();
  if (about_ && about_->isVisible()) {
    about_->hide();
    about_nascosto_ = true;
  }
}

void Finestre::ripristina(qint16 valore) {
  principale_.show();
  principale_.raise();
  principale_.activateWindow();
  if (focoPrima_) focoPrima_->setFocus(Qt::ActiveWindowFocusReason);
  if (about_nascosto_) aboutCreato().show();
  tray_.togliIcona(valore);
}

void Finestre::fineSessione(Sessione& sessione) {
  // Without the session's leave no question can be seen; the session then goes its way.
  if (!sessione.puoChiedere()) return;
  if (!confermaUscita()) {
    sessione.annulla();
    return;
  }
  // A session that is only being saved asks too, and then goes on: the user's next key or click
  // in the window shows that, and the answer is forgotten.
  if (!uscitaConfermata_) qApp->installEventFilter(this);
  uscitaConfermata_ = true;
}

bool Finestre::eventFilter(QObject* oggetto, QEvent* evento) {
  if (oggetto == &principale_ && evento->type() == QEvent::Close && !uscitaConfermata_ &&
      !confermaUscita()) {
    evento->ignore();
    return true;
  }
  if (uscitaConfermata_ &&
      (evento->type() == QEvent::KeyPress || evento->type() == QEvent::MouseButtonPress)) {
    const auto* widget = qobject_cast<const QWidget*>(oggetto);
    if (widget && widget->window() == &principale_) dimenticaConferma();
  }
  return QObject::eventFilter(oggetto, evento);
}

void Finestre::dimenticaConferma() {
  uscitaConfermata_ = false;
  qApp->removeEventFilter(this);
}

bool Finestre::confermaUscita() {
  const bool perse = modificheNonSalvate && modificheNonSalvate();
  const bool si = messaggi_.conferma(perse ? testi_finestre::domandaUscita + u'\n' +
                                                 testi_finestre::modifichePerse
                                           : testi_finestre::domandaUscita);
  if (about_) about_->close();
  return si;
}

About& Finestre::aboutCreato() {
  if (!about_) {
    about_ = std::make_unique<About>();
    connect(about_.get(), &About::chiusa, this, [this] { about_nascosto_ = false; });
  }
  return *about_;
}

}  // namespace custodex
