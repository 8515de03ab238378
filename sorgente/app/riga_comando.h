#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace custodex {

// What the command line asks of the program: at most one list file to open at start (the file
// manager's "open with"), or its help or its version.
struct RigaComando {
  // Ignota: an option the program does not know (it may be one of Qt's own); Errata: any other
  // mistake.
  enum class Richiesta { Avvia, Aiuto, Versione, Ignota, Errata };
  Richiesta richiesta = Richiesta::Avvia;
  // Avvia: the absolute path of the list file to load at start, or empty.
  QString file;
  // Ignota and Errata: what is wrong, in a line for the user.
  QString errore;
};

// Reads the arguments that follow the program's name.
RigaComando leggiRigaComando(const QStringList& argomenti);

// Prints the help or the version on standard output, or the mistake on standard error, and gives
// the exit status.
int rispondiRigaComando(const RigaComando& riga);

// The answer to a command line that needs no window (help, version, a mistake), before the window
// system is reached: then the exit status. A start, or an option that may be Qt's own, is left to
// be read again once Qt has taken out its options.
std::optional<int> rispostaSenzaFinestra(int argc, const char* const* argv);

}  // namespace custodex
