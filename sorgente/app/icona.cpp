#include "app/icona.h"

// The pictures are compiled into the library, which a static link would otherwise drop.
static void caricaRisorse() {
  Q_INIT_RESOURCE(risorse);
}

namespace custodex {

QIcon iconaProgramma() {
  caricaRisorse();
  QIcon icona;
  // Every size the desktop's icon theme gets too: a title bar, a tray or a screen at double
  // density picks the nearest one instead of blowing up a small bitmap.
  for (const int lato : latiIcona)
    icona.addFile(QStringLiteral(":/icone/custodex%1.png").arg(lato), QSize(lato, lato));
  return icona;
}

}  // namespace custodex
