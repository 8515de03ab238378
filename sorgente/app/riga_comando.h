#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace custodex {

// What the command line asks of the program: at most one list file to open at start (the file
// manager's "open with") or one file of another keeper to import, or its help or its version.
struct RigaComando {
  // Ignota: an option the program does not know; Errata: any other mistake.
  enum class Richiesta { Avvia, Aiuto, Versione, Ignota, Errata };
  Richiesta richiesta = Richiesta::Avvia;
  // Avvia: the absolute path of the list file to load at start, or empty.
  QString file;
  // Ignota and Errata: what is wrong, in a line for the user.
  QString errore;
  // Avvia: the absolute path of a file of another keeper to import into the empty list at
  // start, or empty.
  QString importa;
};

// Reads the program's own arguments, those that follow its name less Qt's options.
RigaComando leggiRigaComando(const QStringList& argomenti);

// Prints the help or the version on standard output, or the mistake on standard error, and gives
// the exit status.
int rispondiRigaComando(const RigaComando& riga);

// The command line read before Qt starts, so that help, version and mistakes need no display, and
// Qt is handed only its own options: a file named as one, after "--", stays the program's.
struct RigaDivisa {
  RigaComando riga;
  // The program's name and Qt's options with their values, in their order, then a null pointer:
  // the argv for QApplication, pointing into the one read.
  std::vector<char*> qt;
};
RigaDivisa dividiRigaComando(int argc, char* argv[]);

// What Qt left of the options handed to it, one that this platform does not take (X11's on
// Wayland): a start when nothing is left, else a mistake.
RigaComando restoDiQt(const QStringList& resto);

}  // namespace custodex
