#include <QApplication>

#include "app/italiano.h"
#include "app/principale.h"
#include "app/processo.h"
#include "app/riga_comando.h"

int main(int argc, char* argv[]) {
  custodex::preparaProcesso();
  // Help, version and mistakes are answered without a window; Qt sees only its own options.
  custodex::RigaDivisa divisa = custodex::dividiRigaComando(argc, argv);
  if (divisa.riga.richiesta != custodex::RigaComando::Richiesta::Avvia)
    return custodex::rispondiRigaComando(divisa.riga);
  int argcQt = static_cast<int>(divisa.qt.size()) - 1;
  QApplication app(argcQt, divisa.qt.data());
  const custodex::RigaComando resto = custodex::restoDiQt(app.arguments().mid(1));
  if (resto.richiesta != custodex::RigaComando::Richiesta::Avvia)
    return custodex::rispondiRigaComando(resto);
  // Ties the windows to the desktop entry, whose icon a Wayland task bar shows.
  QGuiApplication::setDesktopFileName(QStringLiteral(CUSTODEX_ID));
  custodex::installaItaliano(app);
  custodex::Principale principale;
  principale.avvia();
  if (!divisa.riga.file.isEmpty()) principale.apriFile(divisa.riga.file);
  if (!divisa.riga.importa.isEmpty()) principale.importaFile(divisa.riga.importa);
  return app.exec();
}
