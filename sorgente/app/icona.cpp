#include "app/icona.h"

// The pictures are compiled into the library, which a static link would otherwise drop.
static void caricaRisorse() {
  Q_INIT_RESOURCE(risorse);
}

namespace custodex {

QIcon iconaProgramma() {
  caricaRisorse();
  QIcon icona;
  icona.addFile(QStringLiteral(":/icone/custodex16.xpm"), QSize(16, 16));
  icona.addFile(QStringLiteral(":/icone/custodex32.xpm"), QSize(32, 32));
  return icona;
}

}  // namespace custodex
