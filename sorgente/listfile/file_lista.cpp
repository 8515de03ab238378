#include "listfile/file_lista.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "comune/errore.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>

#include <unistd.h>
#include <cerrno>
#include <cstring>
#endif

namespace custodex {

namespace {

constexpr int fileNonTrovato = 53;
constexpr int erroreLettura = 62;

[[noreturn]] void nonScritto(const QString& motivo) {
  throw Errore(Errore::FileNonScritto, motivo);
}

// The rename is durable only once the folder's entry is on disk as well.
void sincronizzaCartella([[maybe_unused]] const QString& percorso) {
#ifdef Q_OS_UNIX
  const QByteArray cartella = QFile::encodeName(QFileInfo(percorso).absolutePath());
  const int fd = ::open(cartella.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
#endif
}

}  // namespace

void scrivi_file_lista(const QString& percorso, const QString& voce) {
  // A quote or a line break inside would make the line unreadable; more than one byte per
  // character has no form in the file.
  QByteArray riga;
  riga.reserve(voce.size() + 3);
  riga.append('"');
  for (const QChar c : voce) {
    if (c.unicode() >= 0x80 || c == u'"' || c == u'\r' || c == u'\n')
      nonScritto(QStringLiteral("Il testo da scrivere non ha forma di riga del file"));
    riga.append(static_cast<char>(c.unicode()));
  }
  riga.append("\"\r\n");

  const bool nuovo = !QFileInfo::exists(percorso);
  QSaveFile file(percorso);
  // Unbuffered: through its buffer, a write that the disk cut short (full, over quota, over the
  // size limit) goes unreported and commit() would put the truncated file in place of the old.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) nonScritto(file.errorString());
  if (nuovo && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
    nonScritto(file.errorString());
  for (qsizetype fatti = 0; fatti < riga.size();) {
    const qint64 n = file.write(riga.constData() + fatti, riga.size() - fatti);
    // A short write is retried, so that the second try names the system's reason.
    if (n <= 0)
      nonScritto(file.error() != QFileDevice::NoError ? file.errorString()
                                                      : QStringLiteral("Scrittura interrotta"));
    fatti += n;
  }
#ifdef Q_OS_UNIX
  // commit() syncs too but ignores a failure; a delayed write error must stop the rename.
  if (::fsync(file.handle()) != 0) nonScritto(QString::fromLocal8Bit(std::strerror(errno)));
#endif
  if (!file.commit()) nonScritto(file.errorString());
  sincronizzaCartella(percorso);
}

QString ultima_voce(const QByteArray& contenuto) {
  const char* p = contenuto.constData();
  const qsizetype n = contenuto.size();
  qsizetype inizio = 0, fine = 0;  // the last item's bytes
  qsizetype i = 0;
  const auto dopoFineRiga = [&](qsizetype j) {
    // CR LF, a lone CR and a lone LF each end one line.
    if (p[j] == '\r' && j + 1 < n && p[j + 1] == '\n') return j + 2;
    return j + 1;
  };
  while (i < n) {
    while (i < n && p[i] == ' ') ++i;
    if (i < n && p[i] == '"') {
      inizio = ++i;
      while (i < n && p[i] != '"') ++i;
      fine = i;
      if (i < n) ++i;  // the closing quote
      // Whatever stands between the closing quote and the delimiter belongs to no item.
      while (i < n && p[i] != ',' && p[i] != '\r' && p[i] != '\n') ++i;
    } else {
      inizio = i;
      while (i < n && p[i] != ',' && p[i] != '\r' && p[i] != '\n') ++i;
      fine = i;
    }
    if (i < n) i = p[i] == ',' ? i + 1 : dopoFineRiga(i);
  }
  return QString::fromLatin1(p + inizio, fine - inizio);
}

QString leggi_file_lista(const QString& percorso) {
  QFile file(percorso);
  if (!file.open(QIODevice::ReadOnly)) throw Errore(fileNonTrovato, file.errorString());
  if (file.size() > massimoFileLista)
    throw Errore(erroreLettura, QStringLiteral("Il file è troppo grande per essere una lista"));
  const QByteArray contenuto = file.readAll();
  if (file.error() != QFileDevice::NoError) throw Errore(erroreLettura, file.errorString());
  return ultima_voce(contenuto);
}

}  // namespace custodex
