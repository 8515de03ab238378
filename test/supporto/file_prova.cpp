#include "supporto/file_prova.h"

#include <sys/stat.h>

#include <QFile>
#include <csignal>

namespace custodex::copione {

QByteArray leggiByte(const QString& percorso) {
  QFile f(percorso);
  if (!f.open(QIODevice::ReadOnly)) return "<assente>";
  return f.readAll();
}

bool scriviByte(const QString& percorso, const QByteArray& byte) {
  QFile f(percorso);
  return f.open(QIODevice::WriteOnly) && f.write(byte) == byte.size();
}

mode_t permessi(const QString& percorso) {
  struct stat s {};
  if (::stat(QFile::encodeName(percorso).constData(), &s) != 0) return 0;
  return s.st_mode & 07777;
}

LimiteFile::LimiteFile(rlim_t byte) {
  // Past the limit the system would end the process; the write is to fail instead.
  std::signal(SIGXFSZ, SIG_IGN);
  ::getrlimit(RLIMIT_FSIZE, &prima_);
  rlimit nuovo = prima_;
  nuovo.rlim_cur = byte;
  ::setrlimit(RLIMIT_FSIZE, &nuovo);
}

LimiteFile::~LimiteFile() {
  ::setrlimit(RLIMIT_FSIZE, &prima_);
}

}  // namespace custodex::copione
