#include <QApplication>

#include "app/italiano.h"
#include "app/principale.h"
#include "app/processo.h"
#include "app/riga_comando.h"

int main(int argc, char* argv[]) {
  custodex::preparaProcesso();
  // Help, version and mistakes are answered without a window.
  if (const auto uscita = custodex::rispostaSenzaFinestra(argc, argv)) return *uscita;
  QApplication app(argc, argv);
  const custodex::RigaComando riga = custodex::leggiRigaComando(app.arguments().mid(1));
  if (riga.richiesta != custodex::RigaComando::Richiesta::Avvia)
    return custodex::rispondiRigaComando(riga);
  // Ties the windows to the desktop entry, whose icon a Wayland task bar shows.
  QGuiApplication::setDesktopFileName(QStringLiteral(CUSTODEX_ID));
  custodex::installaItaliano(app);
  custodex::Principale principale;
  principale.avvia();
  if (!riga.file.isEmpty()) principale.apriFile(riga.file);
  return app.exec();
}
