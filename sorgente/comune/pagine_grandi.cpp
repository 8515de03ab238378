#include "comune/pagine_grandi.h"

#include <QtGlobal>
#include <cstdint>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace custodex {

void preferisciPagineGrandi(void* inizio, std::size_t byte) {
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t pagina = std::uintptr_t{2} << 20;
  const auto da = (reinterpret_cast<std::uintptr_t>(inizio) + pagina - 1) & ~(pagina - 1);
  const auto a = (reinterpret_cast<std::uintptr_t>(inizio) + byte) & ~(pagina - 1);
  if (a > da) madvise(reinterpret_cast<void*>(da), a - da, MADV_HUGEPAGE);
#else
  Q_UNUSED(inizio);
  Q_UNUSED(byte);
#endif
}

}  // namespace custodex
