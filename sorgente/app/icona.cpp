#include "app/icona.h"

// Q_INIT_RESOURCE names a function of the global namespace, so it is called from there.
static void registraRisorse() {
  Q_INIT_RESOURCE(risorse);
}

namespace custodex {

void caricaRisorse() {
  static const bool registrate = (registraRisorse(), true);
  (void)registrate;
}

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
