#include "app/riga_comando.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>

#ifndef CUSTODEX_VERSIONE
#define CUSTODEX_VERSIONE "?"
#endif

namespace custodex {

namespace {

const char aiuto[] =
    "Uso: custodex [FILE]\n"
    "\n"
    "Custodex conserva un elenco di password in liste cifrate (file .kvx).\n"
    "Con FILE chiede la chiave segreta della lista e la carica.\n"
    "\n"
    "  -h, --help     mostra questo aiuto ed esce\n"
    "  -v, --version  mostra la versione ed esce\n";

RigaComando errata(const QString& errore,
                   RigaComando::Richiesta r = RigaComando::Richiesta::Errata) {
  return {r, {}, errore};
}

}  // namespace

RigaComando leggiRigaComando(const QStringList& argomenti) {
  QStringList file;
  bool soloFile = false;
  for (const QString& a : argomenti) {
    if (!soloFile && a.startsWith(u'-') && a != u'-') {
      if (a == u"--") {
        soloFile = true;
      } else if (a == u"-h" || a == u"--help") {
        return {RigaComando::Richiesta::Aiuto, {}, {}};
      } else if (a == u"-v" || a == u"--version") {
        return {RigaComando::Richiesta::Versione, {}, {}};
      } else {
        return errata(QStringLiteral("opzione sconosciuta: %1").arg(a),
                      RigaComando::Richiesta::Ignota);
      }
    } else {
      file.push_back(a);
    }
  }
  if (file.size() > 1) return errata(QStringLiteral("si apre una lista alla volta"));
  if (file.isEmpty()) return {};
  // The open dialog takes only a file that exists; a mistyped name should not start an empty
  // list the user might then save in place of the one meant.
  const QFileInfo info(file.front());
  if (!info.exists()) return errata(QStringLiteral("%1: il file non esiste").arg(file.front()));
  if (info.isDir()) return errata(QStringLiteral("%1: è una cartella").arg(file.front()));
  return {RigaComando::Richiesta::Avvia, info.absoluteFilePath(), {}};
}

int rispondiRigaComando(const RigaComando& riga) {
  switch (riga.richiesta) {
    case RigaComando::Richiesta::Aiuto:
      std::fputs(aiuto, stdout);
      return 0;
    case RigaComando::Richiesta::Versione:
      std::fputs("Custodex " CUSTODEX_VERSIONE "\n", stdout);
      return 0;
    case RigaComando::Richiesta::Ignota:
    case RigaComando::Richiesta::Errata:
      std::fprintf(stderr, "custodex: %s\nPer l'aiuto: custodex --help\n",
                   riga.errore.toLocal8Bit().constData());
      return 2;
    case RigaComando::Richiesta::Avvia:
      break;
  }
  return 0;
}

std::optional<int> rispostaSenzaFinestra(int argc, const char* const* argv) {
  QStringList argomenti;
  for (int i = 1; i < argc; ++i) argomenti.push_back(QFile::decodeName(argv[i]));
  const RigaComando riga = leggiRigaComando(argomenti);
  if (riga.richiesta == RigaComando::Richiesta::Avvia ||
      riga.richiesta == RigaComando::Richiesta::Ignota)
    return std::nullopt;
  return rispondiRigaComando(riga);
}

}  // namespace custodex
