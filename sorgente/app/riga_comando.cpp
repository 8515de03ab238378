#include "app/riga_comando.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <optional>

#ifndef CUSTODEX_VERSIONE
#define CUSTODEX_VERSIONE "?"
#endif

namespace custodex {

namespace {

const char aiuto[] =
    "Uso: custodex [FILE]\n"
    "     custodex --importa FILE\n"
    "\n"
    "Custodex conserva un elenco di password in liste cifrate (file .kvx).\n"
    "Con FILE chiede la chiave segreta della lista e la carica.\n"
    "\n"
    "  --importa FILE  parte con una lista nuova in cui importa FILE, scritto da un altro\n"
    "                  programma (CSV di KeePassXC, Bitwarden, Chrome, Firefox; XML di\n"
    "                  KeePass 2)\n"
    "  -h, --help      mostra questo aiuto ed esce\n"
    "  -v, --version   mostra la versione ed esce\n";

RigaComando errata(const QString& errore,
                   RigaComando::Richiesta r = RigaComando::Richiesta::Errata) {
  return {r, {}, errore, {}};
}

RigaComando ignota(const QString& opzione) {
  return errata(QStringLiteral("opzione sconosciuta: %1").arg(opzione),
                RigaComando::Richiesta::Ignota);
}

// The options that Qt 6 takes out of the command line: QCoreApplication's, QGuiApplication's,
// QApplication's and those of the X11 platform, which alone takes -display, -name, -visual,
// -nograb, -dograb and the older names -geometry, -title and -icon. Each may also begin with two
// dashes.
struct OpzioneQt {
  const char* nome;
  bool valore;  // takes the next argument as its value
};
constexpr OpzioneQt opzioniQt[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"qwindowicon", true},
    {"qwindowtitle", true},
    {"session", true},
    {"style", true},
    {"stylesheet", true},
    {"qmljsdebugger", true},
    {"display", true},
    {"geometry", true},
    {"name", true},
    {"title", true},
    {"visual", true},
    {"icon", true},
    {"reverse", false},
    {"widgetcount", false},
    {"testability", false},
    {"nograb", false},
    {"dograb", false},
    {"qdevel", false},
    {"qdebug", false},
};
// Those that also take their value after "=" in the same argument.
constexpr const char* opzioniQtUguale[] = {"style=", "stylesheet=", "qmljsdebugger="};

// The option of Qt's that the argument is, if any.
std::optional<OpzioneQt> opzioneQt(const char* a) {
  if (a[0] != '-') return std::nullopt;
  const char* nome = a + (a[1] == '-' ? 2 : 1);
  for (const OpzioneQt& o : opzioniQt)
    if (std::strcmp(nome, o.nome) == 0) return o;
  for (const char* u : opzioniQtUguale)
    if (std::strncmp(nome, u, std::strlen(u)) == 0) return OpzioneQt{u, false};
  return std::nullopt;
}

// The file named on the command line, as the open dialog would take it: an existing file, not a
// folder. A mistyped name should not start an empty list the user might then save in place of
// the one meant.
std::optional<RigaComando> fileInesistente(const QString& file) {
  const QFileInfo info(file);
  if (!info.exists()) return errata(QStringLiteral("%1: il file non esiste").arg(file));
  if (info.isDir()) return errata(QStringLiteral("%1: è una cartella").arg(file));
  return std::nullopt;
}

}  // namespace

RigaComando leggiRigaComando(const QStringList& argomenti) {
  QStringList file;
  std::optional<QString> importa;
  bool soloFile = false;
  for (qsizetype i = 0; i < argomenti.size(); ++i) {
    const QString& a = argomenti[i];
    if (!soloFile && (a == u"--importa" || a.startsWith(u"--importa="))) {
      if (importa) return errata(QStringLiteral("si importa un file alla volta"));
      if (a != u"--importa")
        importa = a.sliced(static_cast<qsizetype>(std::strlen("--importa=")));
      else if (i + 1 < argomenti.size())
        importa = argomenti[++i];
      else
        return errata(QStringLiteral("--importa: manca il file da importare"));
    } else if (!soloFile && a.startsWith(u'-') && a != u'-') {
      if (a == u"--") {
        soloFile = true;
      } else if (a == u"-h" || a == u"--help") {
        return {RigaComando::Richiesta::Aiuto, {}, {}, {}};
      } else if (a == u"-v" || a == u"--version") {
        return {RigaComando::Richiesta::Versione, {}, {}, {}};
      } else {
        return ignota(a);
      }
    } else {
      file.push_back(a);
    }
  }
  if (file.size() > 1) return errata(QStringLiteral("si apre una lista alla volta"));
  // The import goes into an empty list, as a migrating user starts one.
  if (importa && !file.isEmpty())
    return errata(QStringLiteral("--importa parte da una lista vuota: non si usa con una lista"));
  if (importa) {
    if (auto errore = fileInesistente(*importa)) return *errore;
    return {RigaComando::Richiesta::Avvia, {}, {}, QFileInfo(*importa).absoluteFilePath()};
  }
  if (file.isEmpty()) return {};
  if (auto errore = fileInesistente(file.front())) return *errore;
  return {RigaComando::Richiesta::Avvia, QFileInfo(file.front()).absoluteFilePath(), {}, {}};
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

RigaDivisa dividiRigaComando(int argc, char* argv[]) {
  RigaDivisa divisa;
  divisa.qt.push_back(argv[0]);
  QStringList nostri;
  // The first file name that Qt's strings cannot hold: it would name another file, or none.
  std::optional<QString> illeggibile;
  bool soloFile = false;
  for (int i = 1; i < argc; ++i) {
    const QByteArray a(argv[i]);
    if (!soloFile && a == "--") {
      soloFile = true;
    } else if (!soloFile && a == "--importa" && i + 1 < argc) {
      // Its value is a file name, whatever it begins with: Qt must not take it for an option.
      const QString s = QFile::decodeName(argv[i + 1]);
      if (!illeggibile && QFile::encodeName(s) != argv[i + 1]) illeggibile = s;
      nostri << QFile::decodeName(a) << s;
      ++i;
      continue;
    } else if (const auto o = soloFile ? std::nullopt : opzioneQt(argv[i])) {
      divisa.qt.push_back(argv[i]);
      if (o->valore) {
        if (i + 1 == argc)
          return {errata(QStringLiteral("%1: manca il valore").arg(QFile::decodeName(a))), {}};
        divisa.qt.push_back(argv[++i]);
      }
      continue;
    }
    const QString s = QFile::decodeName(a);
    const bool file = soloFile || !a.startsWith('-') || a == "-" || a.startsWith("--importa=");
    if (file && !illeggibile && QFile::encodeName(s) != a) illeggibile = s;
    nostri.push_back(s);
  }
  divisa.qt.push_back(nullptr);
  divisa.riga = leggiRigaComando(nostri);
  if (illeggibile && (divisa.riga.richiesta == RigaComando::Richiesta::Avvia ||
                      divisa.riga.richiesta == RigaComando::Richiesta::Errata))
    divisa.riga =
        errata(QStringLiteral("%1: il nome del file non è UTF-8 valido, non si può aprire")
                   .arg(*illeggibile));
  return divisa;
}

RigaComando restoDiQt(const QStringList& resto) {
  return resto.isEmpty() ? RigaComando{} : ignota(resto.front());
}

}  // namespace custodex
