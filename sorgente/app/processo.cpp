#include "app/processo.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <sys/resource.h>

#include <csignal>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace custodex {

void preparaMemoria() {
#ifdef __GLIBC__
  // The memory of a list let go (a load replacing it, "Nuova Lista") stays with the process for
  // the next one, instead of going back to the system and being faulted in again page by page,
  // which on a large list cost more than building it. It was wiped as it went. Large buffers come
  // from the same memory rather than from mappings of their own.
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
  // A list let go frees hundreds of thousands of small texts at once: kept in the fast bins, they
  // were all merged again at the next large request, which cost a load more than its parsing.
  mallopt(M_MXFAST, 0);
  mallopt(M_MMAP_THRESHOLD, 8 << 20);
#endif
}

void preparaProcesso() {
  preparaMemoria();
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
