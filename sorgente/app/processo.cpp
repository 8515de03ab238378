#include "app/processo.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <sys/resource.h>

#include <csignal>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace custodex {

void preparaProcesso() {
#ifdef Q_OS_UNIX
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit nessuno{0, 0};
  ::setrlimit(RLIMIT_CORE, &nessuno);
#endif
#ifdef Q_OS_LINUX
  ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}

}  // namespace custodex
