#include "comune/azzera.h"

#include <sodium.h>

namespace custodex {

void azzera(QString& testo) noexcept {
  // A string without memory of its own (empty, or a literal) reports itself shared.
  if (testo.isEmpty() || !testo.isDetached()) return;
  sodium_memzero(testo.data(), static_cast<std::size_t>(testo.size()) * sizeof(QChar));
}

}  // namespace custodex
