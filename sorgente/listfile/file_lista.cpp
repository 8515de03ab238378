#include "listfile/file_lista.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <new>

#include "comune/errore.h"
#include "listfile/pagine_grandi.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>

#include <unistd.h>
#include <cerrno>
#include <cstring>
#endif

namespace custodex {

namespace {

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
  for (const QChar c : voce)
    if (c.unicode() >= 0x80 || c == u'"' || c == u'\r' || c == u'\n')
      nonScritto(QStringLiteral("Il testo da scrivere non ha forma di riga del file"));

  const bool nuovo = !QFileInfo::exists(percorso);
  QSaveFile file(percorso);
  // Unbuffered: through its buffer, a write that the disk cut short (full, over quota, over the
  // size limit) goes unreported and commit() would put the truncated file in place of the old.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) nonScritto(file.errorString());
  if (nuovo && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
    nonScritto(file.errorString());
  const auto scrivi = [&file](const char* dati, qsizetype n) {
    for (qsizetype fatti = 0; fatti < n;) {
      const qint64 scritti = file.write(dati + fatti, n - fatti);
      // A short write is retried, so that the second try names the system's reason.
      if (scritti <= 0)
        nonScritto(file.error() != QFileDevice::NoError ? file.errorString()
                                                        : QStringLiteral("Scrittura interrotta"));
      fatti += scritti;
    }
  };
  // A block at a time, so that a large list needs no second copy of its text.
  constexpr qsizetype blocco = 1 << 16;
  char byte[blocco];
  scrivi("\"", 1);
  for (qsizetype da = 0; da < voce.size(); da += blocco) {
    const qsizetype n = std::min(blocco, voce.size() - da);
    for (qsizetype i = 0; i < n; ++i) byte[i] = static_cast<char>(voce[da + i].unicode());
    scrivi(byte, n);
  }
  scrivi("\"\r\n", 3);
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
  QString voce(fine - inizio, Qt::Uninitialized);
  preferisciPagineGrandi(voce.data(), static_cast<std::size_t>(voce.size()) * 2);
  char16_t* uscita = reinterpret_cast<char16_t*>(voce.data());
  for (qsizetype j = inizio; j < fine; ++j) *uscita++ = static_cast<unsigned char>(p[j]);
  return voce;
}

QString leggi_file_lista(const QString& percorso) {
  try {
    QFile file(percorso);
    if (!file.open(QIODevice::ReadOnly)) throw Errore(Errore::FileNonTrovato, file.errorString());
    if (file.size() > massimoFileLista)
      throw Errore(Errore::ErroreLettura,
                   QStringLiteral("Il file è troppo grande per essere una lista"));
    QByteArray contenuto(file.size(), Qt::Uninitialized);
    preferisciPagineGrandi(contenuto.data(), static_cast<std::size_t>(contenuto.size()));
    qsizetype letti = 0;
    while (letti < contenuto.size()) {
      const qint64 n = file.read(contenuto.data() + letti, contenuto.size() - letti);
      if (n < 0) throw Errore(Errore::ErroreLettura, file.errorString());
      if (n == 0) break;  // shorter than it said: what was there is what counts
      letti += n;
    }
    contenuto.truncate(letti);
    return ultima_voce(contenuto);
  } catch (const std::bad_alloc&) {
    throw Errore(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
  }
}

}  // namespace custodex
