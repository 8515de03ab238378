#pragma once

#include <QAction>

#include "app/principale.h"
#include "listfile/nmcrypt.h"
#include "supporto/copione.h"
#include "supporto/copione_finestre.h"

namespace custodex::copione {

// The real main window, its commands talking to scripted pieces and the real cipher at a low
// cost.
struct FinestraCopione {
  QStringList registro;
  MessaggiCopione messaggi;
  RichiestaCopione richiesta;
  DialogoCopione dialog;
  AppuntiCopione appunti;
  EventiCopione eventi{registro};
  NmCrypt cifrario{NmCrypt::Costo{1, 8}};
  TrayCopione tray;
  ModificaCopione modifica;
  GeneratoreCopione generatore;
  DialogoCopione scambio;  // the import and export dialog
  OrologioCopione orologio;
  Principale p{Principale::Pezzi{
      {messaggi, richiesta, dialog, appunti, eventi, cifrario, modifica, generatore, scambio},
      tray,
      orologio}};

  // Chooses a menu item.
  void scegli(const char* nome) { p.findChild<QAction*>(QString::fromLatin1(nome))->trigger(); }
};

}  // namespace custodex::copione
