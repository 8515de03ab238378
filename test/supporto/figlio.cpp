#include "supporto/figlio.h"

#include <sys/wait.h>

#include <unistd.h>
#include <QFile>
#include <QTest>
#include <cstdio>

namespace custodex::copione {

bool nelFiglio(const std::function<void()>& corpo, unsigned secondi) {
  std::fflush(nullptr);
  const pid_t figlio = ::fork();
  if (figlio == 0) {
    ::alarm(secondi);
    corpo();
    std::fflush(nullptr);
    ::_exit(QTest::currentTestFailed() ? 1 : 0);
  }
  int stato = 0;
  ::waitpid(figlio, &stato, 0);
  return WIFEXITED(stato) && WEXITSTATUS(stato) == 0;
}

qint64 memoriaVirtuale() {
  QFile f(QStringLiteral("/proc/self/statm"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  return f.readAll().split(' ').value(0).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

}  // namespace custodex::copione
